// Windows services: the stored configuration of an installed service. None of these logs;
// each reports through its result (and queryServiceConfig through the last error too), and
// closes every handle it opened and releases the database lock it took on every path.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

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
