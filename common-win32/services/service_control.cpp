// Starting and stopping a service: the request, sent only from a state it makes sense in, then
// the logged wait for the state that was asked for.
#include <common-win32/log.h>
#include <common-win32/services.h>

#include "services/service_lines.h"
#include "services/service_poll.h"
#include "services/service_wait.h"
#include "support/unique_handle.h"

using cw32::UniqueServiceHandle;
using namespace cw32::services;

namespace {

constexpr DWORD kStartAccess = SERVICE_START | SERVICE_QUERY_STATUS;  // 0x14
constexpr DWORD kStopAccess = SERVICE_STOP | SERVICE_QUERY_STATUS;    // 0x24

}  // namespace

int ControlNTServiceEx(const wchar_t* service, bool start, unsigned long deadline_ms,
                       boost::shared_ptr<ILogger> logger) {
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        LogNtServiceError(L"failed to open SCManager", logger);
        return 0;
    }
    UniqueServiceHandle handle(OpenServiceW(manager.get(), service, start ? kStartAccess : kStopAccess));
    if (!handle) {
        manager.reset();
        CString text;
        text.Format(L"Failed to open service '%s'", service);
        LogNtServiceError(text, logger);
        return 0;
    }

    // When the first query fails the state counts as 0: neither pending, running nor stopped,
    // so the request is sent and the wait that follows judges what the service then reports.
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(handle.get(), &status)) {
        status = SERVICE_STATUS{};
        LogStatusQueryFailed(logger, service);
    }
    if (IsPendingState(status.dwCurrentState)) {
        LogServiceStatus(logger, service, status);
        LogNtServiceError(L"Service is in pending state, unable to control service, exiting...", logger);
        handle.reset();
        manager.reset();
        return 0;
    }

    DWORD expected = 0;
    if (start) {
        if (status.dwCurrentState == SERVICE_RUNNING) {
            LogNamedLine(logger, L"Service %s already running, ignoring request...", service);
            handle.reset();
            manager.reset();
            return 1;
        }
        LogNamedLine(logger, L"Attempting to start Service %s", service);
        if (!StartServiceW(handle.get(), 0, nullptr)) {
            manager.reset();
            handle.reset();
            LogNtServiceError(L"StartService function failed", logger);
            return 0;
        }
        LogMessage(logger, L"Expecting SERVICE_RUNNING");
        expected = SERVICE_RUNNING;
    } else {
        if (status.dwCurrentState == SERVICE_STOPPED) {
            LogNamedLine(logger, L"Service %s already stopped, ignoring request...", service);
            handle.reset();
            manager.reset();
            return 1;
        }
        CString line;
        line.Format(L"Attempting to stop Service %s, current status is %d, existing error code: %d", service,
                    static_cast<int>(status.dwCurrentState), static_cast<int>(GetLastError()));
        LogMessage(logger, line);
        if (!ControlService(handle.get(), SERVICE_CONTROL_STOP, &status)) {
            CString text;
            text.Format(L"ControlService with SERVICE_CONTROL_STOP parameter failed.  ControlService error code: %d",
                        static_cast<int>(GetLastError()));
            LogNtServiceError(text, logger);
            manager.reset();
            handle.reset();
            return 0;
        }
        LogMessage(logger, L"Expecting SERVICE_STOPPED");
        expected = SERVICE_STOPPED;
    }

    const int result = WaitForRequestedState(handle.get(), service, expected, deadline_ms, logger);
    handle.reset();
    manager.reset();
    CString line;
    line.Format(L"ControlService function exiting (%d)", result);
    LogMessage(logger, line);
    return result;
}

int ControlNTService(const wchar_t* service, bool start, boost::shared_ptr<ILogger> logger) {
    return ControlNTServiceEx(service, start, 0, logger);
}
