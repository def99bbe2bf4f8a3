// Control-manager throughput, timed by the program itself so that the very same code runs against
// winport's control manager (POSIX build) and Wine's (mingw build under Wine): 500 services are
// created, their configurations read back with the size protocol, and deleted.
// Prints one line per phase: "phase=NAME calls=N seconds=S rate=R" (R: control-manager calls per
// second). Any failed call ends the run with a line naming it and exit code 1.
#include "timed_phase.h"

#include <common-win32/platform.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kServices = 500;
const wchar_t kBinary[] = L"\"C:\\Program Files\\cw32 bench\\bench-service.exe\" --run";

using Phase = cw32bench::TimedPhase;

[[noreturn]] void Fail(const char* call, const std::wstring& service, DWORD error) {
    std::fprintf(stderr, "service-bench: %s '%ls' failed with error %lu\n", call, service.c_str(),
                 static_cast<unsigned long>(error));
    std::exit(1);
}

// Names of the run's own, so that a run never meets what an earlier one left behind.
std::wstring ServiceName(int i) {
    return L"cw32bench" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(i);
}
std::wstring DisplayName(int i) {
    return L"cw32 bench " + std::to_wstring(GetCurrentProcessId()) + L" service " + std::to_wstring(i);
}

void Close(SC_HANDLE handle, const std::wstring& service) {
    if (!CloseServiceHandle(handle)) Fail("CloseServiceHandle", service, GetLastError());
}

void Create(SC_HANDLE manager) {
    Phase phase{"create"};
    for (int i = 0; i < kServices; ++i) {
        const std::wstring name = ServiceName(i);
        SC_HANDLE service = CreateServiceW(manager, name.c_str(), DisplayName(i).c_str(), SERVICE_ALL_ACCESS,
                                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                           kBinary, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service == nullptr) Fail("CreateServiceW", name, GetLastError());
        Close(service, name);
        phase.calls += 2;
    }
    phase.Report();
}

void Query(SC_HANDLE manager) {
    Phase phase{"query"};
    std::vector<unsigned char> block;
    for (int i = 0; i < kServices; ++i) {
        const std::wstring name = ServiceName(i);
        SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG);
        if (service == nullptr) Fail("OpenServiceW", name, GetLastError());
        // The size protocol: ask with no buffer, then with one of the size given.
        DWORD needed = 0;
        if (QueryServiceConfigW(service, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            Fail("QueryServiceConfigW (size)", name, GetLastError());
        block.assign(needed, 0);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(block.data());
        if (!QueryServiceConfigW(service, config, needed, &needed)) Fail("QueryServiceConfigW", name, GetLastError());
        if (config->dwStartType != SERVICE_DEMAND_START || std::wstring(config->lpBinaryPathName) != kBinary ||
            std::wstring(config->lpDisplayName) != DisplayName(i))
            Fail("QueryServiceConfigW (wrong record)", name, ERROR_INVALID_DATA);
        Close(service, name);
        phase.calls += 4;
    }
    phase.Report();
}

void Delete(SC_HANDLE manager) {
    Phase phase{"delete"};
    for (int i = 0; i < kServices; ++i) {
        const std::wstring name = ServiceName(i);
        SC_HANDLE service = OpenServiceW(manager, name.c_str(), DELETE);
        if (service == nullptr) Fail("OpenServiceW", name, GetLastError());
        if (!DeleteService(service)) Fail("DeleteService", name, GetLastError());
        Close(service, name);
        phase.calls += 3;
    }
    phase.Report();
}

}  // namespace

int main() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) Fail("OpenSCManagerW", L"", GetLastError());
    Create(manager);
    Query(manager);
    Delete(manager);
    // Gone once its last handle closed: opening the first one again must fail with 1060.
    const std::wstring first = ServiceName(0);
    if (SC_HANDLE left = OpenServiceW(manager, first.c_str(), SERVICE_QUERY_STATUS)) {
        CloseServiceHandle(left);
        Fail("DeleteService (service still there)", first, ERROR_SUCCESS);
    }
    if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST) Fail("OpenServiceW (after deletion)", first, GetLastError());
    Close(manager, L"");
    return 0;
}
