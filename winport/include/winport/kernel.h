// Kernel basics: handles, sleeping, time and the module entry points.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#define INFINITE 0xFFFFFFFFu
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

extern "C" {
WINPORT_API BOOL WINAPI CloseHandle(HANDLE hObject);
// Waits go through winport's clock: tests switch it to a virtual one.
WINPORT_API void WINAPI Sleep(DWORD dwMilliseconds);
WINPORT_API DWORD WINAPI GetTickCount(void);
WINPORT_API ULONGLONG WINAPI GetTickCount64(void);
WINPORT_API void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime);
WINPORT_API void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime);
WINPORT_API void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
}
