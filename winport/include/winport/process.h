// Processes, anonymous pipes, handle duplication and waiting.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#define STARTF_USESHOWWINDOW 0x00000001u
#define STARTF_USESTDHANDLES 0x00000100u
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define CREATE_UNICODE_ENVIRONMENT 0x00000400u
#define CREATE_NO_WINDOW 0x08000000u
#define DUPLICATE_CLOSE_SOURCE 0x00000001u
#define DUPLICATE_SAME_ACCESS 0x00000002u
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// A child ended by POSIX signal N reports the exit code WINPORT_SIGNAL_EXIT_BASE + N (SIGKILL:
// 0xC0000009). The top bit is set, so no ordinary exit (0..255 on POSIX) can be mistaken for it.
#define WINPORT_SIGNAL_EXIT_BASE 0xC0000000u

typedef struct _STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;

extern "C" {
// The pseudo handle of the calling process ((HANDLE)-1, as on Windows).
WINPORT_API HANDLE WINAPI GetCurrentProcess(void);
WINPORT_API DWORD WINAPI GetCurrentProcessId(void);

// Both ends are inheritable when the attributes say so. nSize 0 takes the platform's default.
WINPORT_API BOOL WINAPI CreatePipe(PHANDLE hReadPipe, PHANDLE hWritePipe, LPSECURITY_ATTRIBUTES lpPipeAttributes,
                                   DWORD nSize);
// Pipe ends are read and written with ReadFile and WriteFile (the file family).
// Bytes waiting in the pipe without taking them; a pipe whose writers are all gone and which
// holds nothing fails with ERROR_BROKEN_PIPE.
WINPORT_API BOOL WINAPI PeekNamedPipe(HANDLE hNamedPipe, LPVOID lpBuffer, DWORD nBufferSize, LPDWORD lpBytesRead,
                                      LPDWORD lpTotalBytesAvail, LPDWORD lpBytesLeftThisMessage);
// Within the calling process only: both process handles must be GetCurrentProcess().
WINPORT_API BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle,
                                        HANDLE hTargetProcessHandle, LPHANDLE lpTargetHandle,
                                        DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions);

// The command line is split by the Windows rules; a program named without a path is searched
// in the directory of the calling program, the current directory and PATH, with ".exe"
// optional. With STARTF_USESTDHANDLES the child's standard input, output and error are the
// given handles when they are inheritable (and bInheritHandles is true), else /dev/null.
// lpEnvironment must be null (the caller's environment); CREATE_NO_WINDOW and
// CREATE_UNICODE_ENVIRONMENT are accepted, other flags fail with ERROR_NOT_SUPPORTED.
WINPORT_API BOOL WINAPI CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                                       LPSECURITY_ATTRIBUTES lpProcessAttributes,
                                       LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                                       DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                                       LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation);
// STILL_ACTIVE (259) while the child runs.
WINPORT_API BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);
WINPORT_API BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode);
// Process handles only: WAIT_OBJECT_0 once the process has ended, WAIT_TIMEOUT before.
WINPORT_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
}
