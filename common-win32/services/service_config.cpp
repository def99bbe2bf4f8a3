// The stored configuration of an installed service: its dependency list, its program path, the
// whole record, and the names of the states for log lines.
#include <common-win32/services.h>

#include "support/unique_handle.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

namespace {

// The record block handed out by queryServiceConfig, freed with the C runtime's free.
struct FreeRecord {
    void operator()(QUERY_SERVICE_CONFIGW* record) const { std::free(record); }
};
using Record = std::unique_ptr<QUERY_SERVICE_CONFIGW, FreeRecord>;

using ServiceHandle = cw32::UniqueServiceHandle;

// The first block tried; a larger record is asked again with the size the platform reports.
constexpr DWORD kFirstRecordBytes = 1024;

// A service opened with every right, and its configuration record.
struct OpenedService {
    ServiceHandle manager, service;
    Record record;
    DWORD record_bytes = 0;
};

// Opens the control manager and the service and reads the record: 0, or the Windows error of
// the step that failed (the handles opened so far close with `opened`).
DWORD OpenAndRead(const wchar_t* name, OpenedService& opened) {
    opened.manager.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!opened.manager) return GetLastError();
    opened.service.reset(OpenServiceW(opened.manager.get(), name, SERVICE_ALL_ACCESS));
    if (!opened.service) return GetLastError();
    QUERY_SERVICE_CONFIGW* raw = nullptr;
    if (!queryServiceConfig(opened.service.get(), &raw, &opened.record_bytes)) return GetLastError();
    opened.record.reset(raw);
    return ERROR_SUCCESS;
}

}  // namespace

int queryServiceConfig(SC_HANDLE service, QUERY_SERVICE_CONFIGW** config, DWORD* size) {
    *config = nullptr;
    DWORD bytes = kFirstRecordBytes;
    for (;;) {
        *config = static_cast<QUERY_SERVICE_CONFIGW*>(std::malloc(bytes));
        if (*config != nullptr && QueryServiceConfigW(service, *config, bytes, size)) return 1;
        const DWORD error = *config != nullptr ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
        std::free(*config);
        *config = nullptr;
        if (error != ERROR_INSUFFICIENT_BUFFER) {
            SetLastError(error);
            return 0;
        }
        bytes = *size;
    }
}

unsigned long AddServiceDependency(const wchar_t* service, const wchar_t* dependency) {
    if (service == nullptr || dependency == nullptr) return ERROR_SOURCE_ELEMENT_EMPTY;
    OpenedService opened;
    if (const DWORD error = OpenAndRead(service, opened)) return error;
    // Opened only to prove that a service of that name exists.
    if (!ServiceHandle(OpenServiceW(opened.manager.get(), dependency, SERVICE_ALL_ACCESS))) return GetLastError();
    const Record& record = opened.record;

    const std::size_t bytes = opened.record_bytes + 2 * (std::wcslen(dependency) + 1);
    std::unique_ptr<wchar_t[]> list(new wchar_t[bytes / sizeof(wchar_t) + 1]());
    const std::size_t capacity = bytes / sizeof(wchar_t);
    std::size_t used = 0;
    for (const wchar_t* entry = record->lpDependencies; entry != nullptr && *entry != L'\0';
         entry += std::wcslen(entry) + 1) {
        if (_wcsicmp(entry, dependency) == 0) return ERROR_SUCCESS;  // already there: nothing changes
        const std::size_t length = std::wcslen(entry) + 1;
        if (used + length > capacity) break;  // bounded by the space the record's size allows
        std::wmemcpy(list.get() + used, entry, length);
        used += length;
    }
    // The zeros of the block end the new name and the list.
    std::wmemcpy(list.get() + used, dependency, std::min(std::wcslen(dependency), capacity - used));
    if (!ChangeServiceConfigW(opened.service.get(), record->dwServiceType, record->dwStartType, record->dwErrorControl,
                              nullptr, nullptr, nullptr, list.get(), nullptr, nullptr, record->lpDisplayName))
        return GetLastError();
    return ERROR_SUCCESS;
}

int changeServiceConfigBinaryPath(const wchar_t* service, const wchar_t* binaryPath) {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return 0;
    SC_LOCK lock = LockServiceDatabase(manager.get());
    if (lock == nullptr) return 0;
    bool changed = false;
    {
        ServiceHandle opened(OpenServiceW(manager.get(), service, SERVICE_CHANGE_CONFIG));
        changed = opened && ChangeServiceConfigW(opened.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                                 binaryPath, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        // The failing call's code stays the last error through the releases below.
        const DWORD error = GetLastError();
        UnlockServiceDatabase(lock);
        opened.reset();
        SetLastError(error);
    }
    const DWORD error = GetLastError();
    manager.reset();
    SetLastError(error);
    return changed ? 1 : 0;
}

unsigned long GetServiceBinaryPath(const wchar_t* service, wchar_t* buffer, unsigned int* size) {
    OpenedService opened;
    if (const DWORD error = OpenAndRead(service, opened)) return error;
    const Record& record = opened.record;
    const wchar_t* path = record->lpBinaryPathName != nullptr ? record->lpBinaryPathName : L"";
    const std::size_t length = std::wcslen(path);
    if (size != nullptr) {
        // A buffer shorter than the path and its terminator gets as much as fits, terminated:
        // never a character past its capacity.
        if (buffer != nullptr && *size > 0) {
            const std::size_t count = std::min<std::size_t>(length, *size - 1);
            std::wmemcpy(buffer, path, count);
            buffer[count] = L'\0';
        }
        *size = static_cast<unsigned int>(length);
    }
    return ERROR_SUCCESS;
}

CString ServiceStateToString(DWORD state) {
    static const wchar_t* const kNames[] = {L"SERVICE_STOPPED",          L"SERVICE_START_PENDING",
                                            L"SERVICE_STOP_PENDING",     L"SERVICE_RUNNING",
                                            L"SERVICE_CONTINUE_PENDING", L"SERVICE_PAUSE_PENDING",
                                            L"SERVICE_PAUSED"};
    if (state >= SERVICE_STOPPED && state <= SERVICE_PAUSED) return CString(kNames[state - SERVICE_STOPPED]);
    return CString(L"Unknown State");
}
