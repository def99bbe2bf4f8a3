// Creating and removing single folders: CreateDirectoryW and RemoveDirectoryW.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {
// 183 when the name exists, 3 when the parent folder is missing. Security attributes other
// than null fail with ERROR_NOT_SUPPORTED: POSIX folders carry no Windows descriptor.
WINPORT_API BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
// 145 when the folder is not empty, 267 for a file, 5 for a read-only folder; a link to a
// folder is removed as a link, never what it leads to.
WINPORT_API BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName);
}
