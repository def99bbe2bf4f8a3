// POSIX emulation of CloseHandle; the objects behind handles release their resources in
// their destructors. No library logic here.
#include <winport/kernel.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/handles.h"

#include <cstdio>

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
    winport::detail::LogCall("CloseHandle", [&] {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%p", handle);
        return std::string(buf);
    });
    // Not a fault point: Windows' CloseHandle fails only for invalid handles, and a sweep that
    // made it fail would report leaks the code under test could not have prevented.
    return winport::detail::ReleaseHandle(handle) ? TRUE : FALSE;
}
