// The Microsoft C runtime routines the library calls that glibc lacks, with the MSVCRT names.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#include <cstdint>
#include <ctime>

typedef std::int64_t __time64_t;

extern "C" {
// The current time in seconds since 1970 (through winport's clock, so tests can fix it).
WINPORT_API __time64_t _time64(__time64_t* timer);
// Local time in a buffer of the runtime's own, as the Microsoft runtime does (one per thread).
WINPORT_API struct tm* _localtime64(const __time64_t* timer);
WINPORT_API int _wtoi(const wchar_t* str);
WINPORT_API long _wtol(const wchar_t* str);
WINPORT_API std::int64_t _wcstoi64(const wchar_t* str, wchar_t** end, int base);
WINPORT_API std::int64_t _wtoi64(const wchar_t* str);
}
