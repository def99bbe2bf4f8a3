// POSIX emulation of StartServiceW: the service's dependencies first, then its program as a
// detached process, waited for until its dispatcher connects. No library logic here.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "scm/scm_runtime.h"
#include "scm/scm_script.h"
#include "scm/scm_spawn.h"
#include "scm/scm_store.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

using namespace winport::detail;
using namespace winport::detail::scm;

namespace {

using Clock = std::chrono::steady_clock;

// Windows reports a service it has just started with check point 0 and a 2-second wait hint.
constexpr DWORD kStartWaitHint = 2000;

// A transaction on the store with the service loaded and settled; `error` is why not.
struct Loaded {
    explicit Loaded(const std::wstring& folded) {
        if (session.store != nullptr) transaction.emplace(*session.store);
        if (!transaction || !transaction->ok()) {
            fail();
            return;
        }
        service = Load(*session.store, folded);
        if (!Settle(*session.store, folded, service)) fail();
        else if (!service) error = ERROR_SERVICE_DOES_NOT_EXIST;
    }
    void fail() { error = GetLastError() != 0 ? GetLastError() : static_cast<DWORD>(ERROR_CANTWRITE); }
    bool Commit() {
        if (transaction->Commit()) return true;
        fail();
        return false;
    }
    Session session;
    std::optional<Transaction> transaction;
    std::optional<Service> service;
    DWORD error = 0;
};

// Why the service cannot be started now, or 0.
DWORD Refusal(const Service& service) {
    if (service.start == SERVICE_DISABLED) return ERROR_SERVICE_DISABLED;
    if (service.delete_pending) return ERROR_SERVICE_MARKED_FOR_DELETE;
    if (service.status.dwCurrentState != SERVICE_STOPPED) return ERROR_SERVICE_ALREADY_RUNNING;
    return 0;
}

void Pause(std::chrono::milliseconds& pause) {
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
}

// Waits while a dependency is starting; whether it got to run. One whose check point does not
// move within the manager's timeout has failed to start.
bool DependencyRuns(const std::wstring& folded) {
    DWORD check_point = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(StartTimeoutMs());
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        DWORD state = 0;
        {
            Loaded loaded(folded);
            if (loaded.error != 0 || !loaded.Commit()) return false;
            state = loaded.service->status.dwCurrentState;
            if (loaded.service->status.dwCheckPoint != check_point) {
                check_point = loaded.service->status.dwCheckPoint;
                deadline = Clock::now() + std::chrono::milliseconds(StartTimeoutMs());
            }
        }
        if (state != SERVICE_START_PENDING) return state != SERVICE_STOPPED && state != SERVICE_STOP_PENDING;
        if (Clock::now() >= deadline) return false;
        Pause(pause);
    }
}

// Runs the program and waits for its dispatcher. A program that ends before it connects has
// not responded to the start, as one that never connects: both fail with 1053 (Windows says
// the same for a program that is no service program at all), and the status is STOPPED.
DWORD Launch(const std::wstring& folded, const std::vector<std::wstring>& arguments) {
    std::int64_t pid = 0, started = 0;
    {
        Loaded loaded(folded);
        if (loaded.error != 0) return loaded.error;
        Service& service = *loaded.service;
        if (const DWORD refused = Refusal(service)) return refused;  // started meanwhile by another
        DWORD error = 0;
        pid = SpawnServiceProcess(service.binary, service.name, &error);
        if (pid == 0) return error;
        started = ProcessStartTime(pid);
        service.status = SERVICE_STATUS{service.type, SERVICE_START_PENDING, 0, 0, 0, 0, kStartWaitHint};
        service.pid = pid;
        service.started = started;
        service.control.clear();
        service.arguments = arguments;
        // The program waits for this commit before it can connect.
        if (!Save(*loaded.session.store, folded, service) || !loaded.Commit()) {
            ::kill(static_cast<pid_t>(-pid), SIGKILL);
            return loaded.error != 0 ? loaded.error : GetLastError();
        }
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(StartTimeoutMs());
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        Pause(pause);
        Loaded loaded(folded);
        if (loaded.error != 0) return loaded.error;
        Service& service = *loaded.service;
        if (!service.control.empty()) return 0;  // connected, though it may have stopped since
        if (service.pid != pid) {  // it has ended: settled just now, or by another caller
            loaded.Commit();
            return ERROR_SERVICE_REQUEST_TIMEOUT;
        }
        const bool alive = ProcessAlive(pid, started);
        if (alive && Clock::now() < deadline) continue;
        if (alive) ::kill(static_cast<pid_t>(-pid), SIGKILL);
        MarkStopped(service, ERROR_SERVICE_REQUEST_TIMEOUT);
        if (Save(*loaded.session.store, folded, service)) loaded.Commit();
        return ERROR_SERVICE_REQUEST_TIMEOUT;
    }
}

// Starts a service after the dependencies it needs. `starting` holds the services this start
// is already bringing up, so that a dependency loop ends (1059) instead of recurring.
DWORD Start(const std::wstring& folded, const std::vector<std::wstring>& arguments,
            std::vector<std::wstring>& starting) {
    std::vector<std::wstring> dependencies;
    {
        Loaded loaded(folded);
        if (loaded.error != 0) return loaded.error;
        if (const DWORD refused = Refusal(*loaded.service)) return refused;
        dependencies = loaded.service->dependencies;
        if (!loaded.Commit()) return loaded.error;
    }
    starting.push_back(folded);
    for (const std::wstring& name : dependencies) {
        const std::wstring dependency = Folded(name);
        if (std::find(starting.begin(), starting.end(), dependency) != starting.end())
            return ERROR_CIRCULAR_DEPENDENCY;
        DWORD state = 0;
        {
            Loaded loaded(dependency);
            if (loaded.error == ERROR_SERVICE_DOES_NOT_EXIST || (loaded.service && loaded.service->delete_pending))
                return ERROR_SERVICE_DEPENDENCY_DELETED;
            if (loaded.error != 0) return loaded.error;
            state = loaded.service->status.dwCurrentState;
            if (!loaded.Commit()) return loaded.error;
        }
        if (state == SERVICE_STOPPED) {
            const DWORD error = Start(dependency, {}, starting);
            if (error == ERROR_CIRCULAR_DEPENDENCY) return error;
            if (error != 0 && error != ERROR_SERVICE_ALREADY_RUNNING) return ERROR_SERVICE_DEPENDENCY_FAIL;
        }
        if (!DependencyRuns(dependency)) return ERROR_SERVICE_DEPENDENCY_FAIL;
    }
    return Launch(folded, arguments);
}

}  // namespace

extern "C" BOOL WINAPI StartServiceW(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCWSTR* lpServiceArgVectors) {
    LogCall("StartServiceW", [&] { return "args=" + std::to_string(dwNumServiceArgs); });
    if (FaultPoint("StartServiceW")) return FALSE;
    auto handle = Granted<ServiceObject>(hService, HandleKind::Service, SERVICE_START);
    if (!handle) return FALSE;
    if (auto scripted = ScriptedStart(handle->folded)) return *scripted;
    std::vector<std::wstring> arguments;
    for (DWORD i = 0; i < dwNumServiceArgs; ++i) {
        if (lpServiceArgVectors == nullptr || lpServiceArgVectors[i] == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        arguments.emplace_back(lpServiceArgVectors[i]);
    }
    std::vector<std::wstring> starting;
    const DWORD error = Start(handle->folded, arguments, starting);
    if (error != 0) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
