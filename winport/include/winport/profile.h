// Initialization (INI) files by the Windows profile rules.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {
// The value of `lpKeyName` in `lpAppName`, else the default, cut to nSize - 1 characters (the
// count is then nSize - 1). A null section gives the section names, a null key the section's
// key names: each ended by a NUL and the list by another, cut to nSize - 2 (the count).
WINPORT_API DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                                  LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);
// Sets a key (a null value deletes it; a null key deletes the section), creating the file.
WINPORT_API BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                                   LPCWSTR lpFileName);
}
