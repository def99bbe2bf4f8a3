// POSIX emulation of the service program's side of the control manager: the dispatcher that
// connects the process the manager started, runs ServiceMain and hands controls to the
// service's handler, and the status the service reports. No library logic here.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "scm/scm_channel.h"
#include "scm/scm_runtime.h"
#include "scm/scm_store.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <memory>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace winport::detail;
using namespace winport::detail::scm;

namespace {

// The one service this process runs, once its dispatcher has connected.
struct Dispatch {
    std::mutex mutex;
    bool connected = false;
    std::wstring folded;
    bool own_process = true;
    LPHANDLER_FUNCTION_EX handler_ex = nullptr;
    LPHANDLER_FUNCTION handler = nullptr;
    void* context = nullptr;
    int wake = -1;  // written when the service has reported STOPPED
    std::atomic<bool> stopped{false};
};

Dispatch& TheDispatch() {
    static auto* d = new Dispatch;
    return *d;
}

SERVICE_STATUS_HANDLE OwnStatusHandle() { return reinterpret_cast<SERVICE_STATUS_HANDLE>(&TheDispatch()); }

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Claims the service the manager started this process for: its row names this process and no
// dispatcher has connected yet. Records where controls reach it; the service's name and the
// arguments of the start, or nothing with the last error set.
std::optional<Service> Connect(const std::wstring& folded, const std::string& address) {
    Session session;
    if (session.store == nullptr) return std::nullopt;
    Transaction transaction(*session.store);
    if (!transaction.ok()) return std::nullopt;
    std::optional<Service> service = Load(*session.store, folded);
    if (!service || service->pid != ::getpid() || service->started != OwnStartTime() || !service->control.empty()) {
        SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
        return std::nullopt;
    }
    service->control = FromUtf8(address);
    if (!Save(*session.store, folded, *service) || !transaction.Commit()) return std::nullopt;
    return service;
}

DWORD Handle(Dispatch& d, DWORD control) {
    LPHANDLER_FUNCTION_EX handler_ex;
    LPHANDLER_FUNCTION handler;
    void* context;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        handler_ex = d.handler_ex;
        handler = d.handler;
        context = d.context;
    }
    if (handler_ex != nullptr) return handler_ex(control, 0, nullptr, context);
    if (handler == nullptr) return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    handler(control);
    return NO_ERROR;
}

// Takes the service's handler, one of the two kinds.
SERVICE_STATUS_HANDLE Register(LPCWSTR name, LPHANDLER_FUNCTION_EX handler_ex, LPHANDLER_FUNCTION handler,
                               void* context) {
    if (name == nullptr || (handler_ex == nullptr && handler == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Dispatch& d = TheDispatch();
    std::lock_guard<std::mutex> lock(d.mutex);
    // A service that has its process to itself is the process's one service, whatever name is
    // given, as Windows takes it; a shared one must be named.
    if (!d.connected || (!d.own_process && Folded(name) != d.folded)) {
        SetLastError(ERROR_SERVICE_NOT_IN_EXE);
        return nullptr;
    }
    d.handler_ex = handler_ex;
    d.handler = handler;
    d.context = context;
    return OwnStatusHandle();
}

// Serves controls until the service reports STOPPED.
void Serve(Dispatch& d, int listener, int wake) {
    while (!d.stopped) {
        pollfd fds[2] = {{listener, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            DWORD control = 0;
            const int connection = AcceptControl(listener, &control);
            if (connection >= 0) AnswerControl(connection, Handle(d, control));
        }
    }
}

}  // namespace

extern "C" BOOL WINAPI StartServiceCtrlDispatcherW(const SERVICE_TABLE_ENTRYW* lpServiceStartTable) {
    LogCall("StartServiceCtrlDispatcherW", [] { return std::string(); });
    if (FaultPoint("StartServiceCtrlDispatcherW")) return FALSE;
    if (lpServiceStartTable == nullptr || lpServiceStartTable[0].lpServiceProc == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    // Only a process the manager started knows which service it is.
    const char* started_as = std::getenv(kServiceNameVariable);
    if (started_as == nullptr || *started_as == '\0') return Fail(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    Dispatch& d = TheDispatch();
    std::unique_lock<std::mutex> lock(d.mutex);
    if (d.connected) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
    const std::wstring folded = Folded(FromUtf8(started_as));
    const std::string address = OwnControlAddress();
    const int listener = ListenForControls(address);
    if (listener < 0) return FALSE;
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        CloseControls(listener, address);
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    const std::optional<Service> service = Connect(folded, address);
    if (!service) {
        const DWORD error = GetLastError();
        CloseControls(listener, address);
        ::close(wake[0]);
        ::close(wake[1]);
        return Fail(error);
    }
    d.connected = true;
    d.folded = folded;
    d.own_process = (service->type & SERVICE_WIN32_OWN_PROCESS) != 0;
    d.wake = wake[1];
    d.stopped = false;
    lock.unlock();

    // The table's entry for this service; a program that runs one service on its own is run
    // whatever name its one entry gives, as Windows does.
    const SERVICE_TABLE_ENTRYW* entry = lpServiceStartTable;
    for (const SERVICE_TABLE_ENTRYW* e = lpServiceStartTable; e->lpServiceProc != nullptr; ++e)
        if (e->lpServiceName != nullptr && Folded(e->lpServiceName) == folded) entry = e;
    // ServiceMain gets the service's name and then the start's arguments; they live as long
    // as its thread, which may outlive this call.
    auto arguments = std::make_shared<std::vector<std::wstring>>(1, service->name);
    arguments->insert(arguments->end(), service->arguments.begin(), service->arguments.end());
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    const LPSERVICE_MAIN_FUNCTIONW main = entry->lpServiceProc;
    std::thread service_main([arguments, done, main] {
        std::vector<LPWSTR> argv;
        for (std::wstring& argument : *arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        main(static_cast<DWORD>(arguments->size()), argv.data());
        done->set_value();
    });
    Serve(d, listener, wake[0]);
    CloseControls(listener, address);
    // ServiceMain normally returns right after reporting STOPPED; one that does not is left to
    // end with the process.
    if (finished.wait_for(std::chrono::seconds(5)) == std::future_status::ready) service_main.join();
    else service_main.detach();
    lock.lock();
    d.wake = -1;
    ::close(wake[0]);
    ::close(wake[1]);
    return TRUE;
}

extern "C" SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerExW(LPCWSTR lpServiceName,
                                                                      LPHANDLER_FUNCTION_EX lpHandlerProc,
                                                                      LPVOID lpContext) {
    LogCall("RegisterServiceCtrlHandlerExW", [&] { return ToUtf8(lpServiceName ? lpServiceName : L"(null)"); });
    if (FaultPoint("RegisterServiceCtrlHandlerExW")) return nullptr;
    return Register(lpServiceName, lpHandlerProc, nullptr, lpContext);
}

extern "C" SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerW(LPCWSTR lpServiceName,
                                                                    LPHANDLER_FUNCTION lpHandlerProc) {
    LogCall("RegisterServiceCtrlHandlerW", [&] { return ToUtf8(lpServiceName ? lpServiceName : L"(null)"); });
    if (FaultPoint("RegisterServiceCtrlHandlerW")) return nullptr;
    return Register(lpServiceName, nullptr, lpHandlerProc, nullptr);
}

extern "C" BOOL WINAPI SetServiceStatus(SERVICE_STATUS_HANDLE hServiceStatus, LPSERVICE_STATUS lpServiceStatus) {
    LogCall("SetServiceStatus", [&] {
        return lpServiceStatus ? "state=" + std::to_string(lpServiceStatus->dwCurrentState) +
                                     " checkpoint=" + std::to_string(lpServiceStatus->dwCheckPoint)
                               : std::string("(null)");
    });
    if (FaultPoint("SetServiceStatus")) return FALSE;
    Dispatch& d = TheDispatch();
    std::wstring folded;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        if (hServiceStatus != OwnStatusHandle() || !d.connected) return Fail(ERROR_INVALID_HANDLE);
        folded = d.folded;
    }
    if (lpServiceStatus == nullptr) return Fail(ERROR_INVALID_ADDRESS);
    const DWORD state = lpServiceStatus->dwCurrentState;
    if (state < SERVICE_STOPPED || state > SERVICE_PAUSED) return Fail(ERROR_INVALID_DATA);
    {
        Session session;
        if (session.store == nullptr) return FALSE;
        Transaction transaction(*session.store);
        if (!transaction.ok()) return FALSE;
        std::optional<Service> service = Load(*session.store, folded);
        // The manager has given up on this process (it did not connect in time).
        if (!service || service->pid != ::getpid()) return Fail(ERROR_INVALID_HANDLE);
        const DWORD type = service->status.dwServiceType;
        service->status = *lpServiceStatus;
        service->status.dwServiceType = type;
        if (state == SERVICE_STOPPED) {
            service->pid = 0;  // the process may linger a moment: the service is stopped now
            service->started = 0;
        }
        if (!Save(*session.store, folded, *service) || !Settle(*session.store, folded, service) ||
            !transaction.Commit())
            return FALSE;
    }
    if (state == SERVICE_STOPPED) {
        std::lock_guard<std::mutex> lock(d.mutex);
        d.stopped = true;
        const char byte = 1;
        if (d.wake >= 0 && ::write(d.wake, &byte, 1) < 0) {
            // the dispatcher sees `stopped` at its next wake-up
        }
    }
    return TRUE;
}
