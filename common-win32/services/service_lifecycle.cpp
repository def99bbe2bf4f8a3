// Creating, deleting, disabling and checking a service, and asking whether it exists. Each
// call opens what it needs, logs its steps with fixed texts and closes everything it opened.
#include <common-win32/log.h>
#include <common-win32/services.h>

#include "services/nt_service.h"
#include "services/service_lines.h"
#include "support/unique_handle.h"

using cw32::UniqueServiceHandle;
using cw32::services::LogNamedLine;

namespace {

void LogCode(const boost::shared_ptr<ILogger>& logger, const wchar_t* format, DWORD code) {
    CString line;
    line.Format(format, static_cast<int>(code));
    LogMessage(logger, line);
}

}  // namespace

bool CreateNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service, const wchar_t* display,
                     const wchar_t* binaryPath, const wchar_t* dependencies, const wchar_t* description) {
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        LogMessage(logger, L"AddNTService: could not get a handle with OpenSCManager");
        return false;
    }
    LogMessage(logger, L"AddNTService: attempting to create service.");
    // No account: the service runs as the local system account.
    UniqueServiceHandle created(CreateServiceW(manager.get(), service, display, SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                               binaryPath, nullptr, nullptr, dependencies, nullptr, nullptr));
    if (!created) {
        manager.reset();
        LogMessage(logger, L"AddNTService: could not create the service.");
        return false;
    }
    // A description that cannot be set does not undo the creation.
    SERVICE_DESCRIPTIONW text{const_cast<wchar_t*>(description)};
    ChangeServiceConfig2W(created.get(), SERVICE_CONFIG_DESCRIPTION, &text);
    LogMessage(logger, L"AddNTService: successfully created the service.");
    created.reset();
    manager.reset();
    return true;
}

bool DeleteNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service) {
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        LogMessage(logger, L"DeleteNTService: could not get a handle with OpenSCManager");
        return false;
    }
    UniqueServiceHandle handle(OpenServiceW(manager.get(), service, SERVICE_ALL_ACCESS));
    if (!handle) {
        manager.reset();
        LogMessage(logger, L"DeleteNTService: could not get a handle with OpenService");
        return false;
    }
    LogMessage(logger, L"DeleteNTService: attempting to delete service.");
    // Neither stopped nor waited for: the manager removes it once it has stopped and its last
    // handle is closed.
    const bool deleted = DeleteService(handle.get()) != FALSE;
    handle.reset();
    manager.reset();
    return deleted;
}

bool DisableNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service) {
    CNTService object(service, logger);
    LogNamedLine(logger, L"[DiableQRLNNTServices] stop service [%s]", service);
    // A stop whose wait ended without SERVICE_STOPPED (a stalled check point, a state that
    // held) still counts as stopped here, so such a service is disabled while it may run.
    if (!object.Stop()) {
        LogCode(logger, L"[DiableQRLNNTServices] fail to stop [%d]", object.LastError());
        return false;
    }
    LogNamedLine(logger, L"[DiableQRLNNTServices] disable service [%s]", service);
    if (object.Disable()) return true;
    LogCode(logger, L"[DiableQRLNNTServices] fail to disable [%d]", object.LastError());
    return false;
}

bool CheckNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service) {
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        LogMessage(logger, L"CheckNTService: could not get a handle with OpenSCManager");
        return false;
    }
    UniqueServiceHandle handle(OpenServiceW(manager.get(), service, SERVICE_ALL_ACCESS));
    if (!handle) return false;  // the manager closes on the way out; nothing is logged
    // A failed query answers false: a state that was never read is not RUNNING.
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(handle.get(), &status)) {
        status = SERVICE_STATUS{};
        cw32::services::LogStatusQueryFailed(logger, service);
    }
    handle.reset();
    manager.reset();
    return status.dwCurrentState == SERVICE_RUNNING;
}

long ServiceExists(boost::shared_ptr<ILogger> logger, CString service) {
    LogNamedLine(logger, L"[ServiceExists] look for service(%s))", service.GetString());
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, GENERIC_READ));
    if (!manager) {
        const DWORD error = GetLastError();
        LogCode(logger, L"[ServiceExists] OpenSCManager error %d", error);
        return static_cast<long>(error);
    }
    UniqueServiceHandle handle(OpenServiceW(manager.get(), service.GetString(), GENERIC_READ));
    if (!handle) {
        const DWORD error = GetLastError();
        manager.reset();
        LogCode(logger, L"[ServiceExists] OpenService error %d", error);
        return static_cast<long>(error);
    }
    // A service that can be opened for reading exists; nothing else is asked of it.
    handle.reset();
    manager.reset();
    return 0;
}
