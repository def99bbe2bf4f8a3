// ReadFile and WriteFile: dispatch by the kind of object behind the handle. Pipes are served
// by the pipe family; other kinds are not readable through winport yet. No library logic here.
#include <winport/errors.h>
#include <winport/process.h>

#include "core/fault.h"
#include "core/pipe_io.h"
#include "unsupported.h"

extern "C" BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    if (winport::detail::FaultPoint("ReadFile")) return FALSE;
    if (overlapped != nullptr) {
        winport::detail::ReportUnsupported("ReadFile", "overlapped I/O");
        return FALSE;
    }
    if (winport::detail::IsPipeHandle(handle)) return winport::detail::ReadPipe(handle, buffer, size, read);
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (winport::detail::FaultPoint("WriteFile")) return FALSE;
    if (overlapped != nullptr) {
        winport::detail::ReportUnsupported("WriteFile", "overlapped I/O");
        return FALSE;
    }
    if (winport::detail::IsPipeHandle(handle)) return winport::detail::WritePipe(handle, buffer, size, written);
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
