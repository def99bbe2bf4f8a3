// The process environment. Names are case-sensitive on POSIX (they are not on Windows).
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {
// The value's length when it fits (terminator not counted); the needed capacity with the
// terminator when it does not; 0 with ERROR_ENVVAR_NOT_FOUND (203) for a missing variable.
WINPORT_API DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
// A null value deletes the variable; an empty one sets it empty.
WINPORT_API BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);
}
