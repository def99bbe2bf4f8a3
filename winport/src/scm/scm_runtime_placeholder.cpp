// TEMPORARY, placed by the lead for the library branch only: StartServiceW and ControlService
// are being written on the svc-runtime branch (scm_start.cpp, scm_control.cpp). Until that
// lands, these answer for scripted services only and refuse everything else with 120, so the
// library links and its scripted tests run. The lead deletes this file when merging; commit it
// as it is, and do not build on its behaviour.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "scm/scm_script.h"
#include "scm/scm_store.h"

using namespace winport::detail;
using namespace winport::detail::scm;

extern "C" BOOL WINAPI StartServiceW(SC_HANDLE hService, DWORD, LPCWSTR*) {
    LogCall("StartServiceW", [] { return std::string(); });
    if (FaultPoint("StartServiceW")) return FALSE;
    auto handle = Granted<ServiceObject>(hService, HandleKind::Service, SERVICE_START);
    if (!handle) return FALSE;
    if (std::optional<BOOL> scripted = ScriptedStart(handle->folded)) return *scripted;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

extern "C" BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
    LogCall("ControlService", [] { return std::string(); });
    if (FaultPoint("ControlService")) return FALSE;
    auto handle = Granted<ServiceObject>(hService, HandleKind::Service, SERVICE_STOP);
    if (!handle) return FALSE;
    if (std::optional<BOOL> scripted = ScriptedControl(handle->folded, dwControl, lpServiceStatus)) return *scripted;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}
