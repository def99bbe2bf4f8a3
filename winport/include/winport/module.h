// Dynamic libraries on dlopen. Loading one library twice gives the same module handle, with a
// load count that FreeLibrary lowers, as on Windows.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001u
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002u
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008u

extern "C" {
// With LOAD_WITH_ALTERED_SEARCH_PATH the libraries that the loaded one needs are looked for in
// its own directory first. Other flags fail with ERROR_NOT_SUPPORTED.
WINPORT_API HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
WINPORT_API HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
WINPORT_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
WINPORT_API BOOL WINAPI FreeLibrary(HMODULE hLibModule);
// hModule null: the calling program. Truncates like Windows (ERROR_INSUFFICIENT_BUFFER).
WINPORT_API DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
}
