// What the running side of the control manager shares: how a service whose process has gone
// is settled, how long the manager waits for a service program, and how a service process
// learns which service it runs.
#pragma once

#include "scm/scm_store.h"

#include <optional>
#include <string>

namespace winport::detail::scm {

// The environment variable that names the service to a process the manager started.
inline constexpr char kServiceNameVariable[] = "WINPORT_SERVICE_NAME";

// How long the manager waits for a started program to connect its dispatcher:
// $WINPORT_SCM_START_TIMEOUT_MS, else 30 seconds as Windows waits.
DWORD StartTimeoutMs();
// How long it waits for a service's handler to answer a control (30 seconds, as Windows).
inline constexpr DWORD kControlTimeoutMs = 30000;

// The service has no process any more: STOPPED, with `exit_code` unless it said STOPPED itself.
void MarkStopped(Service& service, DWORD exit_code);

// Brings a loaded service up to date, inside the caller's transaction: one whose process has
// ended without reporting STOPPED is STOPPED with 1067; one whose program has not connected
// within the start timeout is ended and STOPPED with 1053 (its starter may have died waiting);
// and a stopped one marked for deletion goes once no handle is left on it (then `service` is
// reset). False, with the last error set,
// when the store fails.
bool Settle(Store& store, const std::wstring& folded, std::optional<Service>& service);

}  // namespace winport::detail::scm
