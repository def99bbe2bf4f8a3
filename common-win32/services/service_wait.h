// The logged wait that follows a start or stop request: polls the service's status until it
// reaches the expected state, stalls, holds a wrong state, or runs past the deadline.
#pragma once

#include <common-win32/host.h>

#include "common-win32/platform.h"

namespace cw32::services {

// 1 when `service` (opened with SERVICE_QUERY_STATUS) reached `expected`, else 0; each poll's
// status and the reason the wait ended are logged. `deadline_ms` counts slept milliseconds
// (0: no deadline). The caller closes the handles and writes the exiting line.
int WaitForRequestedState(SC_HANDLE service, const wchar_t* name, DWORD expected, unsigned long deadline_ms,
                          const boost::shared_ptr<ILogger>& logger);

}  // namespace cw32::services
