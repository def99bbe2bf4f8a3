// The running side's shared rules: a service whose process has gone, and the manager's timeout.
#include "scm/scm_runtime.h"

#include <winport/errors.h>

#include <cstdlib>

namespace winport::detail::scm {

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
        MarkStopped(*service, ERROR_PROCESS_ABORTED);
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
