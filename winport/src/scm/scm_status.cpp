// POSIX emulation of QueryServiceStatus: the status a service last reported, or STOPPED with
// 1067 for one whose process has ended without reporting it. No library logic here.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "scm/scm_runtime.h"
#include "scm/scm_script.h"
#include "scm/scm_store.h"

using namespace winport::detail;
using namespace winport::detail::scm;

extern "C" BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
    LogCall("QueryServiceStatus", [] { return std::string(); });
    if (FaultPoint("QueryServiceStatus")) return FALSE;
    auto handle = Granted<ServiceObject>(hService, HandleKind::Service, SERVICE_QUERY_STATUS);
    if (!handle) return FALSE;
    if (lpServiceStatus == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    if (std::optional<BOOL> scripted = ScriptedQuery(handle->folded, lpServiceStatus)) return *scripted;
    Session session;
    if (session.store == nullptr) return FALSE;
    Transaction transaction(*session.store);
    if (!transaction.ok()) return FALSE;
    std::optional<Service> service = Load(*session.store, handle->folded);
    if (!service) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return FALSE;
    }
    // A service whose process has ended without reporting STOPPED is stopped, with 1067.
    if (!Settle(*session.store, handle->folded, service) || !transaction.Commit()) return FALSE;
    *lpServiceStatus = service->status;
    return TRUE;
}
