// POSIX emulation of the control manager's configuration calls: opening the manager and its
// services, creating, deleting, querying and changing them, the database lock. No library
// logic here.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "scm/scm_store.h"

#include <cstring>
#include <functional>
#include <unistd.h>

using namespace winport::detail;
using namespace winport::detail::scm;

namespace {

// Service names and display names hold at most 256 characters and no slash or backslash.
constexpr std::size_t kMaxName = 256;

SC_HANDLE Fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

BOOL FailBool(DWORD error) {
    SetLastError(error);
    return FALSE;
}

bool ValidName(LPCWSTR name) {
    if (name == nullptr || *name == L'\0') return false;
    const std::size_t length = std::wcslen(name);
    return length <= kMaxName && std::wcspbrk(name, L"/\\") == nullptr;
}

std::shared_ptr<ManagerObject> Manager(SC_HANDLE handle, DWORD needed) {
    return Granted<ManagerObject>(handle, HandleKind::ServiceManager, needed);
}

std::shared_ptr<ServiceObject> ServiceHandle(SC_HANDLE handle, DWORD needed) {
    return Granted<ServiceObject>(handle, HandleKind::Service, needed);
}

// A multi-string ("a\0b\0\0") as its names; null or "" is none.
std::vector<std::wstring> Names(LPCWSTR multi) {
    std::vector<std::wstring> names;
    for (LPCWSTR p = multi; p != nullptr && *p != L'\0'; p += std::wcslen(p) + 1) names.emplace_back(p);
    return names;
}

bool ValidTypes(DWORD type, DWORD start, DWORD error) {
    const DWORD kind = type & ~static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS);
    const bool known = kind == SERVICE_WIN32_OWN_PROCESS || kind == SERVICE_WIN32_SHARE_PROCESS ||
                       kind == SERVICE_KERNEL_DRIVER || kind == SERVICE_FILE_SYSTEM_DRIVER;
    return known && start <= SERVICE_DISABLED && error <= SERVICE_ERROR_CRITICAL;
}

// The handle on a service, counted in the store for the whole machine.
SC_HANDLE NewServiceHandle(Store& store, const std::wstring& folded, DWORD access) {
    if (!CountHandle(store, folded, 1)) return nullptr;
    return static_cast<SC_HANDLE>(RegisterHandle(std::make_shared<ServiceObject>(folded, ServiceRights(access))));
}

// Changes the service a handle refers to in one transaction: `change` gives 0 to save what it
// changed, kUnchanged to save nothing, or the error to fail with. A service marked for
// deletion takes no change.
constexpr DWORD kUnchanged = 0xFFFFFFFF;
BOOL ChangeService(const ServiceObject& handle, const std::function<DWORD(Store&, Service&)>& change) {
    Session session;
    if (session.store == nullptr) return FALSE;
    Transaction transaction(*session.store);
    if (!transaction.ok()) return FALSE;
    std::optional<Service> service = Load(*session.store, handle.folded);
    if (!service) return FailBool(ERROR_SERVICE_DOES_NOT_EXIST);
    if (service->delete_pending) return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
    const DWORD result = change(*session.store, *service);
    if (result == kUnchanged) return TRUE;
    if (result != ERROR_SUCCESS) return FailBool(result);
    if (!Save(*session.store, handle.folded, *service)) return FALSE;
    return transaction.Commit();
}

}  // namespace

extern "C" SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess) {
    LogCall("OpenSCManagerW", [&] { return "access=" + std::to_string(dwDesiredAccess); });
    if (FaultPoint("OpenSCManagerW")) return nullptr;
    // Only this machine's active database exists.
    if (lpMachineName != nullptr && *lpMachineName != L'\0') return Fail(RPC_S_SERVER_UNAVAILABLE);
    if (lpDatabaseName != nullptr && FoldCase(lpDatabaseName) != FoldCase(SERVICES_ACTIVE_DATABASEW))
        return Fail(ERROR_INVALID_NAME);
    Session session;
    if (session.store == nullptr) return nullptr;
    return static_cast<SC_HANDLE>(RegisterHandle(std::make_shared<ManagerObject>(ManagerRights(dwDesiredAccess))));
}

extern "C" SC_HANDLE WINAPI OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess) {
    LogCall("OpenServiceW", [&] {
        return ToUtf8(lpServiceName ? lpServiceName : L"(null)") + " access=" + std::to_string(dwDesiredAccess);
    });
    if (FaultPoint("OpenServiceW")) return nullptr;
    if (!Manager(hSCManager, SC_MANAGER_CONNECT)) return nullptr;
    if (lpServiceName == nullptr) return Fail(ERROR_INVALID_ADDRESS);
    if (std::wcslen(lpServiceName) > kMaxName) return Fail(ERROR_INVALID_NAME);
    Session session;
    if (session.store == nullptr) return nullptr;
    const std::wstring folded = Folded(lpServiceName);
    Transaction transaction(*session.store);
    if (!transaction.ok()) return nullptr;
    if (!Load(*session.store, folded)) return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
    SC_HANDLE handle = NewServiceHandle(*session.store, folded, dwDesiredAccess);
    if (handle == nullptr || !transaction.Commit()) return nullptr;
    return handle;
}

extern "C" SC_HANDLE WINAPI CreateServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, LPCWSTR lpDisplayName,
                                           DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                           DWORD dwErrorControl, LPCWSTR lpBinaryPathName, LPCWSTR lpLoadOrderGroup,
                                           LPDWORD lpdwTagId, LPCWSTR lpDependencies, LPCWSTR lpServiceStartName,
                                           LPCWSTR lpPassword) {
    LogCall("CreateServiceW", [&] {
        return ToUtf8(lpServiceName ? lpServiceName : L"(null)") + " access=" + std::to_string(dwDesiredAccess) +
               " type=" + std::to_string(dwServiceType) + " start=" + std::to_string(dwStartType);
    });
    (void)lpPassword;  // an account's password is the account family's business, not kept here
    if (FaultPoint("CreateServiceW")) return nullptr;
    if (!Manager(hSCManager, SC_MANAGER_CREATE_SERVICE)) return nullptr;
    if (lpServiceName == nullptr) return Fail(ERROR_INVALID_ADDRESS);
    if (!ValidName(lpServiceName)) return Fail(ERROR_INVALID_NAME);
    if (lpDisplayName != nullptr && std::wcslen(lpDisplayName) > kMaxName) return Fail(ERROR_INVALID_NAME);
    if (lpBinaryPathName == nullptr || *lpBinaryPathName == L'\0' || lpdwTagId != nullptr ||
        !ValidTypes(dwServiceType, dwStartType, dwErrorControl))
        return Fail(ERROR_INVALID_PARAMETER);
    Service service;
    service.name = lpServiceName;
    service.display = lpDisplayName != nullptr && *lpDisplayName != L'\0' ? lpDisplayName : lpServiceName;
    service.type = dwServiceType;
    service.start = dwStartType;
    service.error = dwErrorControl;
    service.binary = lpBinaryPathName;
    service.group = lpLoadOrderGroup ? lpLoadOrderGroup : L"";
    service.dependencies = Names(lpDependencies);
    service.account = lpServiceStartName ? lpServiceStartName : L"LocalSystem";
    service.status.dwServiceType = dwServiceType;
    service.status.dwCurrentState = SERVICE_STOPPED;
    service.status.dwWin32ExitCode = ERROR_SERVICE_NEVER_STARTED;
    const std::wstring folded = Folded(lpServiceName);

    Session session;
    if (session.store == nullptr) return nullptr;
    Transaction transaction(*session.store);
    if (!transaction.ok()) return nullptr;
    if (const std::optional<Service> existing = Load(*session.store, folded))
        return Fail(existing->delete_pending ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS);
    if (LeadsBackTo(*session.store, service.dependencies, folded)) return Fail(ERROR_CIRCULAR_DEPENDENCY);
    if (DisplayNameTaken(*session.store, service.display, folded)) return Fail(ERROR_DUPLICATE_SERVICE_NAME);
    if (!Save(*session.store, folded, service)) return nullptr;
    SC_HANDLE handle = NewServiceHandle(*session.store, folded, dwDesiredAccess);
    if (handle == nullptr || !transaction.Commit()) {
        if (handle != nullptr) ReleaseHandle(handle);
        return nullptr;
    }
    return handle;
}

extern "C" BOOL WINAPI DeleteService(SC_HANDLE hService) {
    LogCall("DeleteService", [] { return std::string(); });
    if (FaultPoint("DeleteService")) return FALSE;
    auto handle = ServiceHandle(hService, DELETE);
    if (!handle) return FALSE;
    // Marked only: the service goes when it has stopped and its last handle is closed.
    return ChangeService(*handle, [](Store&, Service& service) {
        service.delete_pending = true;
        return static_cast<DWORD>(ERROR_SUCCESS);
    });
}

extern "C" BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
    // The kind is recorded so that a test can tell the order in which a caller closes them.
    LogCall("CloseServiceHandle", [&] {
        const auto object = LookupAnyHandle(hSCObject);
        if (!object) return std::string("invalid");
        return std::string(object->kind == HandleKind::ServiceManager ? "manager" : "service");
    });
    // The handle goes even when a fault is injected: closing a valid handle cannot fail half-way
    // on Windows, so an injected failure only tests that callers survive the result.
    const bool fault = FaultPoint("CloseServiceHandle");
    const DWORD fault_error = fault ? GetLastError() : 0;
    auto object = LookupAnyHandle(hSCObject);
    if (!object) return FALSE;
    if (object->kind != HandleKind::ServiceManager && object->kind != HandleKind::Service)
        return FailBool(ERROR_INVALID_HANDLE);
    object.reset();  // the last reference goes with the handle, counting the service handle out
    const bool released = ReleaseHandle(hSCObject);
    if (fault) return FailBool(fault_error);
    return released ? TRUE : FALSE;
}

extern "C" BOOL WINAPI QueryServiceConfigW(SC_HANDLE hService, LPQUERY_SERVICE_CONFIGW lpServiceConfig,
                                           DWORD cbBufSize, LPDWORD pcbBytesNeeded) {
    LogCall("QueryServiceConfigW", [&] { return "size=" + std::to_string(cbBufSize); });
    if (FaultPoint("QueryServiceConfigW")) return FALSE;
    auto handle = ServiceHandle(hService, SERVICE_QUERY_CONFIG);
    if (!handle) return FALSE;
    if (pcbBytesNeeded == nullptr) return FailBool(ERROR_INVALID_ADDRESS);
    Session session;
    if (session.store == nullptr) return FALSE;
    const std::optional<Service> service = Load(*session.store, handle->folded);
    if (!service) return FailBool(ERROR_SERVICE_DOES_NOT_EXIST);
    // The strings follow the structure: each with its NUL, the dependencies with one more.
    std::wstring dependencies;
    for (const std::wstring& name : service->dependencies) dependencies += name + L'\0';
    const std::wstring* texts[] = {&service->binary, &service->group, &dependencies, &service->account,
                                   &service->display};
    std::size_t characters = 1;  // the dependencies' closing NUL
    for (const std::wstring* text : texts) characters += text->size() + 1;
    const DWORD needed = static_cast<DWORD>(sizeof(QUERY_SERVICE_CONFIGW) + characters * sizeof(WCHAR));
    *pcbBytesNeeded = needed;
    if (lpServiceConfig == nullptr || cbBufSize < needed) return FailBool(ERROR_INSUFFICIENT_BUFFER);
    auto* out = reinterpret_cast<WCHAR*>(lpServiceConfig + 1);
    LPWSTR* slots[] = {&lpServiceConfig->lpBinaryPathName, &lpServiceConfig->lpLoadOrderGroup,
                       &lpServiceConfig->lpDependencies, &lpServiceConfig->lpServiceStartName,
                       &lpServiceConfig->lpDisplayName};
    for (std::size_t i = 0; i < 5; ++i) {
        *slots[i] = out;
        texts[i]->copy(out, texts[i]->size());
        out += texts[i]->size();
        *out++ = L'\0';
        if (i == 2) *out++ = L'\0';  // the multi-string's end
    }
    lpServiceConfig->dwServiceType = service->type;
    lpServiceConfig->dwStartType = service->start;
    lpServiceConfig->dwErrorControl = service->error;
    lpServiceConfig->dwTagId = 0;
    return TRUE;
}

extern "C" BOOL WINAPI ChangeServiceConfigW(SC_HANDLE hService, DWORD dwServiceType, DWORD dwStartType,
                                            DWORD dwErrorControl, LPCWSTR lpBinaryPathName, LPCWSTR lpLoadOrderGroup,
                                            LPDWORD lpdwTagId, LPCWSTR lpDependencies, LPCWSTR lpServiceStartName,
                                            LPCWSTR lpPassword, LPCWSTR lpDisplayName) {
    LogCall("ChangeServiceConfigW", [&] {
        return "type=" + std::to_string(dwServiceType) + " start=" + std::to_string(dwStartType) +
               " path=" + ToUtf8(lpBinaryPathName ? lpBinaryPathName : L"(null)");
    });
    (void)lpPassword;
    if (FaultPoint("ChangeServiceConfigW")) return FALSE;
    auto handle = ServiceHandle(hService, SERVICE_CHANGE_CONFIG);
    if (!handle) return FALSE;
    return ChangeService(*handle, [&](Store& store, Service& service) -> DWORD {
        auto keep = [](DWORD given, DWORD current) { return given == SERVICE_NO_CHANGE ? current : given; };
        const DWORD type = keep(dwServiceType, service.type), start = keep(dwStartType, service.start),
                    error = keep(dwErrorControl, service.error);
        if (!ValidTypes(type, start, error) || lpdwTagId != nullptr ||
            (lpBinaryPathName != nullptr && *lpBinaryPathName == L'\0'))
            return ERROR_INVALID_PARAMETER;
        if (lpDisplayName != nullptr && *lpDisplayName != L'\0') {
            if (std::wcslen(lpDisplayName) > kMaxName) return ERROR_INVALID_NAME;
            if (DisplayNameTaken(store, lpDisplayName, handle->folded)) return ERROR_DUPLICATE_SERVICE_NAME;
            service.display = lpDisplayName;
        }
        if (lpDependencies != nullptr) {
            service.dependencies = Names(lpDependencies);
            if (LeadsBackTo(store, service.dependencies, handle->folded)) return ERROR_CIRCULAR_DEPENDENCY;
        }
        service.type = type;
        service.status.dwServiceType = type;
        service.start = start;
        service.error = error;
        if (lpBinaryPathName != nullptr) service.binary = lpBinaryPathName;
        if (lpLoadOrderGroup != nullptr) service.group = lpLoadOrderGroup;
        if (lpServiceStartName != nullptr) service.account = lpServiceStartName;
        return ERROR_SUCCESS;
    });
}

extern "C" BOOL WINAPI ChangeServiceConfig2W(SC_HANDLE hService, DWORD dwInfoLevel, LPVOID lpInfo) {
    LogCall("ChangeServiceConfig2W", [&] { return "level=" + std::to_string(dwInfoLevel); });
    if (FaultPoint("ChangeServiceConfig2W")) return FALSE;
    auto handle = ServiceHandle(hService, SERVICE_CHANGE_CONFIG);
    if (!handle) return FALSE;
    // The description is the one further setting winport keeps.
    if (dwInfoLevel != SERVICE_CONFIG_DESCRIPTION) return FailBool(ERROR_INVALID_LEVEL);
    if (lpInfo == nullptr) return FailBool(ERROR_INVALID_ADDRESS);
    // A null description changes nothing; an empty one removes it.
    const LPWSTR description = static_cast<LPSERVICE_DESCRIPTIONW>(lpInfo)->lpDescription;
    return ChangeService(*handle, [description](Store&, Service& service) {
        if (description == nullptr) return kUnchanged;
        service.description = description;
        return static_cast<DWORD>(ERROR_SUCCESS);
    });
}
