// The Microsoft C runtime routines the library calls that glibc lacks, with the MSVCRT names.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>

typedef std::int64_t __time64_t;
typedef int errno_t;

// Buffer sizes of the runtime's path parts, terminator included.
#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

extern "C" {
// The current time in seconds since 1970 (through winport's clock, so tests can fix it).
WINPORT_API __time64_t _time64(__time64_t* timer);
// Local time in a buffer of the runtime's own, as the Microsoft runtime does (one per thread).
WINPORT_API struct tm* _localtime64(const __time64_t* timer);
WINPORT_API int _wtoi(const wchar_t* str);
WINPORT_API long _wtol(const wchar_t* str);
WINPORT_API std::int64_t _wcstoi64(const wchar_t* str, wchar_t** end, int base);
WINPORT_API std::int64_t _wtoi64(const wchar_t* str);
// Compares without regard to the case of ASCII letters, as the runtime does in the "C" locale.
WINPORT_API int _wcsicmp(const wchar_t* a, const wchar_t* b);

// Path splitting and joining with the runtime's conventions (see crt_path.cpp): 0 on success,
// EINVAL for a missing path or a buffer whose pointer and size disagree, ERANGE (all outputs
// emptied) when a part does not fit.
WINPORT_API errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, std::size_t driveSize, wchar_t* dir,
                                  std::size_t dirSize, wchar_t* fname, std::size_t fnameSize, wchar_t* ext,
                                  std::size_t extSize);
WINPORT_API errno_t _wmakepath_s(wchar_t* path, std::size_t size, const wchar_t* drive, const wchar_t* dir,
                                 const wchar_t* fname, const wchar_t* ext);
}
