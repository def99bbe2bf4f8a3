// Windows services: starting and stopping with a logged wait on the status reports, creating,
// deleting, disabling and checking a service, and its stored configuration. Every function
// closes each handle it opened, exactly once, on every path, and never throws.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/host.h>
#include <common-win32/platform.h>

// ---- Control with a logged wait --------------------------------------------------------------
// Starts (`start` true) or stops the service, then polls its status every wait hint / 10 ms
// (1 to 5 seconds) until it reaches RUNNING or STOPPED: 1 when it is there at the end, else 0.
// A pending service whose check point does not move for twice its wait hint, or a wrong state
// seen twice running, ends the wait with 0. There is no overall limit. Every step is logged.
CW32_API int ControlNTService(const wchar_t* service, bool start, boost::shared_ptr<ILogger> logger);
// When the first status query fails the state counts as 0 (neither pending, running nor
// stopped), so the request is sent all the same.
// ControlNTService with an overall limit: after `deadline_ms` milliseconds of waiting (0: none),
// a wait that is still moving its check point ends with 0, and a line says why. The limit counts
// slept milliseconds, as the stall limit does; the last sleep is cut short to end on it.
// ControlNTService is this call with no limit.
CW32_API int ControlNTServiceEx(const wchar_t* service, bool start, unsigned long deadline_ms,
                                boost::shared_ptr<ILogger> logger);
// Stops the running services that depend on `service` (directly or through others), deepest
// first, then the service itself, each through ControlNTServiceEx with the same lines and its
// own `deadline_ms`: 1 when all of them are stopped, else 0 (the first failure ends the walk).
// The dependents come from EnumDependentServicesW (SERVICE_ACTIVE), whose order already puts
// each service before those it depends on; when they cannot be listed an error line
// ("ntservice Error: StopNTServiceTree: ...") gives the Windows error and nothing is stopped.
CW32_API int StopNTServiceTree(const wchar_t* service, unsigned long deadline_ms,
                               boost::shared_ptr<ILogger> logger);

// ---- Lifecycle -----------------------------------------------------------------------------
// Creates an own-process, auto-start service running as the local system account, with the
// dependency list in the multi-string form (null: none) and the description (null: none).
CW32_API bool CreateNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service, const wchar_t* display,
                              const wchar_t* binaryPath, const wchar_t* dependencies, const wchar_t* description);
// Marks the service for deletion; it goes once it has stopped and its last handle is closed.
CW32_API bool DeleteNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service);
// Stops the service (one that is not running counts as stopped) and sets it to disabled.
CW32_API bool DisableNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service);
// True when the service is RUNNING; false too when its status cannot be read (that is logged).
CW32_API bool CheckNTService(boost::shared_ptr<ILogger> logger, const wchar_t* service);
// 0 when the service can be opened for reading, else the Windows error (1060: no such service).
CW32_API long ServiceExists(boost::shared_ptr<ILogger> logger, CString service);

// ---- Stored configuration (these do not log) ---------------------------------------------------
// They report through their result (and queryServiceConfig through the last error too), and
// release the database lock they took on every path.

// Adds `dependency` to the service's dependency list: 0 (also when it is listed already, in any
// letter case), 1160 for a null name, else the Windows error of the step that failed (1060 for
// a dependency that does not exist).
CW32_API unsigned long AddServiceDependency(const wchar_t* service, const wchar_t* dependency);
// Replaces the service's program path while holding the database lock: 1 changed, 0 not (the
// last error is the failing call's).
CW32_API int changeServiceConfigBinaryPath(const wchar_t* service, const wchar_t* binaryPath);
// The service's program path. With a null buffer and a size pointer: the length in characters
// (without the terminator) at *size; with a buffer of *size characters: the path copied in.
CW32_API unsigned long GetServiceBinaryPath(const wchar_t* service, wchar_t* buffer, unsigned int* size);
// The configuration record in one malloc'ed block (freed by the caller with free), its size in
// bytes at *size: 1, or 0 with the record null and the last error set.
CW32_API int queryServiceConfig(SC_HANDLE service, QUERY_SERVICE_CONFIGW** config, DWORD* size);
// "SERVICE_STOPPED" ... "SERVICE_PAUSED" for the states 1 to 7, else "Unknown State".
CW32_API CString ServiceStateToString(DWORD state);
