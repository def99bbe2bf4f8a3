// The log lines that the service operations share.
#include "services/service_lines.h"

#include <common-win32/services.h>

namespace cw32::services {

void LogNamedLine(const boost::shared_ptr<ILogger>& logger, const wchar_t* format, const wchar_t* name) {
    CString line;
    line.Format(format, name);
    LogMessage(logger, line);
}

void LogNtServiceError(const wchar_t* text, boost::shared_ptr<ILogger> logger) {
    CString line;
    line.Format(L"ntservice Error: %s", text);
    LogMessage(logger, line);
}

void LogServiceStatus(const boost::shared_ptr<ILogger>& logger, const wchar_t* name, const SERVICE_STATUS& status) {
    CString line;
    line.Format(L"QueryServiceStatus: Service: %s: CheckPoint: %d, State: %s, Hint: %d", name,
                static_cast<int>(status.dwCheckPoint), ServiceStateToString(status.dwCurrentState).GetString(),
                static_cast<int>(status.dwWaitHint));
    LogMessage(logger, line);
}

void LogStatusQueryFailed(const boost::shared_ptr<ILogger>& logger, const wchar_t* name) {
    CString line;
    line.Format(L"ChangeService: Service: %s: QueryServiceStatus failed %d", name, static_cast<int>(GetLastError()));
    LogMessage(logger, line);
}

}  // namespace cw32::services
