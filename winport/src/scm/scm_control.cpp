// POSIX emulation of ControlService: the manager's checks, then the control carried to the
// service's dispatcher and the handler's answer back. No library logic here.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "scm/scm_channel.h"
#include "scm/scm_runtime.h"
#include "scm/scm_script.h"
#include "scm/scm_store.h"

#include <algorithm>

using namespace winport::detail;
using namespace winport::detail::scm;

namespace {

// The right a control needs; 0 for a code that is no control.
DWORD RightFor(DWORD control) {
    switch (control) {
        case SERVICE_CONTROL_STOP: return SERVICE_STOP;
        case SERVICE_CONTROL_PAUSE:
        case SERVICE_CONTROL_CONTINUE: return SERVICE_PAUSE_CONTINUE;
        case SERVICE_CONTROL_INTERROGATE: return SERVICE_INTERROGATE;
        default: return control >= 128 && control <= 255 ? SERVICE_USER_DEFINED_CONTROL : 0;
    }
}

// Whether the service says it takes the control now; interrogation and its own codes it always takes.
bool Accepts(const SERVICE_STATUS& status, DWORD control) {
    switch (control) {
        case SERVICE_CONTROL_STOP: return (status.dwControlsAccepted & SERVICE_ACCEPT_STOP) != 0;
        case SERVICE_CONTROL_PAUSE:
        case SERVICE_CONTROL_CONTINUE: return (status.dwControlsAccepted & SERVICE_ACCEPT_PAUSE_CONTINUE) != 0;
        default: return true;
    }
}

// Another service that depends on this one and has not stopped.
bool DependentsRun(Store& store, const std::wstring& folded) {
    for (const std::wstring& other : AllServices(store)) {
        std::optional<Service> service = Load(store, other);
        if (!service) continue;
        const bool depends = std::any_of(service->dependencies.begin(), service->dependencies.end(),
                                         [&](const std::wstring& name) { return Folded(name) == folded; });
        if (depends && Settle(store, other, service) && service && service->status.dwCurrentState != SERVICE_STOPPED)
            return true;
    }
    return false;
}

// The service's status now, settled; false with the last error set when it cannot be read.
bool CurrentStatus(const std::wstring& folded, SERVICE_STATUS* status) {
    Session session;
    if (session.store == nullptr) return false;
    Transaction transaction(*session.store);
    if (!transaction.ok()) return false;
    std::optional<Service> service = Load(*session.store, folded);
    if (!Settle(*session.store, folded, service) || !transaction.Commit()) return false;
    if (!service) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return false;
    }
    *status = service->status;
    return true;
}

// The codes after which the caller's status record holds the service's status.
bool FillsStatus(DWORD error) {
    return error == ERROR_INVALID_SERVICE_CONTROL || error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL ||
           error == ERROR_SERVICE_NOT_ACTIVE;
}

// Why the manager refuses the control to a service in this state, or 0 to send it.
DWORD Refusal(Store& store, const std::wstring& folded, const Service& service, DWORD control) {
    const DWORD state = service.status.dwCurrentState;
    if (state == SERVICE_STOPPED) return ERROR_SERVICE_NOT_ACTIVE;
    if (control == SERVICE_CONTROL_STOP && DependentsRun(store, folded)) return ERROR_DEPENDENT_SERVICES_RUNNING;
    if (state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING) return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    if (!Accepts(service.status, control)) return ERROR_INVALID_SERVICE_CONTROL;
    return 0;
}

}  // namespace

extern "C" BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
    LogCall("ControlService", [&] { return "control=" + std::to_string(dwControl); });
    if (FaultPoint("ControlService")) return FALSE;
    const DWORD right = RightFor(dwControl);
    auto handle = Granted<ServiceObject>(hService, HandleKind::Service, right);
    if (!handle) return FALSE;
    if (auto scripted = ScriptedControl(handle->folded, dwControl, lpServiceStatus)) return *scripted;
    if (right == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpServiceStatus == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    std::string address;
    DWORD error = 0;
    {
        Session session;
        if (session.store == nullptr) return FALSE;
        Transaction transaction(*session.store);
        if (!transaction.ok()) return FALSE;
        std::optional<Service> service = Load(*session.store, handle->folded);
        if (!Settle(*session.store, handle->folded, service)) return FALSE;
        if (!service) {
            SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
            return FALSE;
        }
        error = Refusal(*session.store, handle->folded, *service, dwControl);
        if (!transaction.Commit()) return FALSE;
        address = ToUtf8(service->control);
        if (FillsStatus(error)) *lpServiceStatus = service->status;
    }
    // The handler runs in the service's process, on its dispatcher's thread; the store is
    // free meanwhile, so that the handler can report its status.
    if (error == 0) {
        DWORD answer = 0;
        error = SendControl(address, dwControl, kControlTimeoutMs, &answer);
        // The handler's refusal is the caller's error; "not implemented" is a control the
        // service does not take.
        if (error == 0) error = answer == ERROR_CALL_NOT_IMPLEMENTED ? ERROR_INVALID_SERVICE_CONTROL : answer;
        // What the service reports now; one that went away while it was asked is STOPPED.
        if ((error == 0 || FillsStatus(error)) && !CurrentStatus(handle->folded, lpServiceStatus)) return FALSE;
    }
    if (error != 0) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
