// Folder enumeration: FindFirstFileW/FindNextFileW/FindClose with the Windows wildcard rules
// ("*.*" matches every name, "?" and "." as the command shell reads them, case-blind), "."
// and ".." listed. Each search is a handle of its own, counted like every other.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

typedef struct _WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

extern "C" {
// INVALID_HANDLE_VALUE with 3 when the folder is missing, 2 when nothing matches.
WINPORT_API HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES (18) after the last entry.
WINPORT_API BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
WINPORT_API BOOL WINAPI FindClose(HANDLE hFindFile);
}
