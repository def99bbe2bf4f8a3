// The computer's name.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {
// The NetBIOS name: the host name's first label in upper case, at most 15 characters. A buffer
// too small gets ERROR_BUFFER_OVERFLOW (111) with the needed size, terminator included.
WINPORT_API BOOL WINAPI GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize);
}
