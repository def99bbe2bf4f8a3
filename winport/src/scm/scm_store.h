// The services' tables in system.db, shared by every process: each service's configuration and
// status, the handles each process holds open on it (a service marked for deletion goes once
// none is left), and the database lock.
#pragma once

#include <winport/errors.h>
#include <winport/service.h>

#include "core/handles.h"
#include "core/store.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace winport::detail::scm {

struct Service {
    std::wstring name, display, binary, group, account, description;
    std::vector<std::wstring> dependencies;
    DWORD type = 0, start = 0, error = 0;
    SERVICE_STATUS status{};
    // The service process while it runs: its pid and its start time (which tells it from a
    // later process given the same pid).
    std::int64_t pid = 0, started = 0;
    std::wstring control;  // where its dispatcher takes controls; set once it has connected
    std::vector<std::wstring> arguments;  // what StartServiceW gave, for ServiceMain
    bool delete_pending = false;
};

// The manager and service handles: what was asked for, and which service.
struct ManagerObject : KernelObject {
    explicit ManagerObject(DWORD a) : KernelObject(HandleKind::ServiceManager), access(a) {}
    const DWORD access;
};
struct ServiceObject : KernelObject {
    ServiceObject(std::wstring f, DWORD a) : KernelObject(HandleKind::Service), folded(std::move(f)), access(a) {}
    ~ServiceObject() override;  // counts the handle out, and removes a deleted service with its last one
    const std::wstring folded;
    const DWORD access;
};

// The rights a handle holds for what was asked: generic rights mapped to the specific ones as
// the control manager maps them, and, for the manager, SC_MANAGER_CONNECT always (every open of
// the manager implies it).
DWORD ManagerRights(DWORD asked);
DWORD ServiceRights(DWORD asked);

// The object behind a manager or service handle, or null with the last error set: 6 for a
// handle of another kind, 5 for one not opened with every right in `needed`.
template <class T>
std::shared_ptr<T> Granted(const void* handle, HandleKind kind, DWORD needed) {
    std::shared_ptr<T> object = LookupHandleAs<T>(handle, kind);
    if (object && (object->access & needed) != needed) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return object;
}

// One control-manager call's hold on the store: the process-wide lock (one connection serves
// every thread) and the schema. `store` is null, with the last error set, when it cannot open.
class Session {
public:
    Session();
    Store* store = nullptr;

private:
    std::lock_guard<std::recursive_mutex> lock_;
};

std::wstring Folded(const std::wstring& name);
std::optional<Service> Load(Store& store, const std::wstring& folded);
bool Save(Store& store, const std::wstring& folded, const Service& service);  // insert or replace
bool Remove(Store& store, const std::wstring& folded);
// Another service already shown under this display name (names and display names share one
// space on Windows).
// Whether the dependency lists, followed from `dependencies` through the stored services, come
// back to `folded`: a loop that Windows refuses with 1059, however many services it goes through.
bool LeadsBackTo(Store& store, const std::vector<std::wstring>& dependencies, const std::wstring& folded);
bool DisplayNameTaken(Store& store, const std::wstring& display, const std::wstring& except_folded);
// Every installed service's folded name.
std::vector<std::wstring> AllServices(Store& store);
// The handles this process holds open on a service, counted across processes; a process that
// has ended holds none.
bool CountHandle(Store& store, const std::wstring& folded, int delta);
std::int64_t LiveHandles(Store& store, const std::wstring& folded);

// A process's start time (field 22 of /proc/PID/stat, in clock ticks since boot), or 0 when
// there is no such process or it has ended (a zombie has ended).
std::int64_t ProcessStartTime(std::int64_t pid);
std::int64_t OwnStartTime();
// Whether the process runs; with a start time, whether it is still that same process.
bool ProcessAlive(std::int64_t pid, std::int64_t started = 0);

}  // namespace winport::detail::scm
