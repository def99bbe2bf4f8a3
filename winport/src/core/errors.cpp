// POSIX emulation of the thread's last-error value; no library logic here.
#include <winport/errors.h>

namespace {
thread_local DWORD t_last_error = ERROR_SUCCESS;
}

extern "C" DWORD WINAPI GetLastError(void) { return t_last_error; }
extern "C" void WINAPI SetLastError(DWORD code) { t_last_error = code; }
