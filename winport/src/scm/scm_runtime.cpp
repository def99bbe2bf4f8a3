// The running side's shared rules: a service whose process has gone, and the manager's timeout.
#include "scm/scm_runtime.h"

#include <winport/errors.h>

#include "core/text.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace winport::detail::scm {

namespace {

// How long ago a process started, from its start time in clock ticks since boot.
std::int64_t AgeMs(std::int64_t started) {
    std::ifstream file("/proc/uptime");
    double uptime = 0;
    if (!(file >> uptime)) return 0;
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return static_cast<std::int64_t>(uptime * 1000) - started * 1000 / (ticks > 0 ? ticks : 100);
}

}  // namespace

DWORD StartTimeoutMs() {
    const char* text = std::getenv("WINPORT_SCM_START_TIMEOUT_MS");
    char* end = nullptr;
    const unsigned long ms = text != nullptr ? std::strtoul(text, &end, 10) : 0;
    return text != nullptr && *text != '\0' && *end == '\0' && ms > 0 ? static_cast<DWORD>(ms) : 30000;
}

void MarkStopped(Service& service, DWORD exit_code) {
    if (service.status.dwCurrentState != SERVICE_STOPPED) {
        service.status.dwCurrentState = SERVICE_STOPPED;
        service.status.dwWin32ExitCode = exit_code;
        service.status.dwServiceSpecificExitCode = 0;
    }
    service.status.dwControlsAccepted = 0;
    service.status.dwCheckPoint = 0;
    service.status.dwWaitHint = 0;
    service.pid = 0;
    service.started = 0;
}

bool Settle(Store& store, const std::wstring& folded, std::optional<Service>& service) {
    if (!service) return true;
    if (service->pid != 0 && !ProcessAlive(service->pid, service->started)) {
        // Its control socket, if it got that far, is left behind by a killed process.
        if (!service->control.empty() && service->control[0] != L'@') ::unlink(ToUtf8(service->control).c_str());
        MarkStopped(*service, ERROR_PROCESS_ABORTED);
        if (!Save(store, folded, *service)) return false;
    } else if (service->started != 0 && service->control.empty() && AgeMs(service->started) > StartTimeoutMs()) {
        // Its program never connected, and the caller that started it is no longer waiting
        // (it would have ended it): the manager ends it, as that caller would have.
        ::kill(static_cast<pid_t>(-service->pid), SIGKILL);
        MarkStopped(*service, ERROR_SERVICE_REQUEST_TIMEOUT);
        if (!Save(store, folded, *service)) return false;
    }
    if (service->delete_pending && service->status.dwCurrentState == SERVICE_STOPPED &&
        LiveHandles(store, folded) == 0) {
        if (!Remove(store, folded)) return false;
        service.reset();
    }
    return true;
}

}  // namespace winport::detail::scm
