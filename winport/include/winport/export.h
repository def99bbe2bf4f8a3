// Visibility of winport's Win32 functions. winport is compiled into libcommon-win32.so, and
// its functions are exported from there, as kernel32 and advapi32 export them on Windows.
#pragma once
#define WINPORT_API __attribute__((visibility("default")))
