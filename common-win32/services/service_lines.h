// The log lines that the service operations share: error lines, the status of one poll, and a
// failed status query.
#pragma once

#include <common-win32/log.h>

#include "common-win32/platform.h"

namespace cw32::services {

// A line whose one %s is the service's name.
void LogNamedLine(const boost::shared_ptr<ILogger>& logger, const wchar_t* format, const wchar_t* name);
// "ntservice Error: <text>", through LogMessage like every other line.
void LogNtServiceError(const wchar_t* text, boost::shared_ptr<ILogger> logger);
// "QueryServiceStatus: Service: <name>: CheckPoint: <n>, State: <state>, Hint: <ms>".
void LogServiceStatus(const boost::shared_ptr<ILogger>& logger, const wchar_t* name, const SERVICE_STATUS& status);
// "ChangeService: Service: <name>: QueryServiceStatus failed <last error>".
void LogStatusQueryFailed(const boost::shared_ptr<ILogger>& logger, const wchar_t* name);

}  // namespace cw32::services
