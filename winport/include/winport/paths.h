// Path queries of the kernel: short (8.3) names and the temporary directory.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {
// POSIX file systems have no short names: an existing path is its own short form, returned as
// given. A missing path fails with ERROR_FILE_NOT_FOUND, an empty one with ERROR_BAD_PATHNAME.
WINPORT_API DWORD WINAPI GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer);
// $TMPDIR (when set and not empty) or /tmp, always ending with a separator.
WINPORT_API DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);
}
