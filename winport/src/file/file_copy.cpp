// POSIX emulation of CopyFileW; no library logic here.
#include <winport/errors.h>
#include <winport/filecopy.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "core/posix_fs.h"

#include <cerrno>

using namespace winport::detail;

extern "C" BOOL WINAPI CopyFileW(LPCWSTR existing_name, LPCWSTR new_name, BOOL fail_if_exists) {
    LogCall("CopyFileW", [&] {
        return ToPosixPath(existing_name) + ", " + ToPosixPath(new_name) + (fail_if_exists ? ", fail if exists" : "");
    });
    if (FaultPoint("CopyFileW")) return FALSE;
    if (existing_name == nullptr || new_name == nullptr || *existing_name == L'\0' || *new_name == L'\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    const DWORD error = fs::CopyOneFile(ToPosixPath(existing_name), ToPosixPath(new_name), fail_if_exists != FALSE,
                                        /*overwrite_read_only=*/false);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
