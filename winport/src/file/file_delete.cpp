// POSIX emulation of DeleteFileW; no library logic here.
#include <winport/errors.h>
#include <winport/file.h>
#include <winport/filecopy.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "file/file_shares.h"
#include "core/posix_fs.h"

#include <cerrno>
#include <unistd.h>

using namespace winport::detail;

extern "C" BOOL WINAPI DeleteFileW(LPCWSTR file_name) {
    LogCall("DeleteFileW", [&] { return ToPosixPath(file_name); });
    if (FaultPoint("DeleteFileW")) return FALSE;
    std::string path;
    struct stat st;
    if (!fs::StatEntry(file_name, path, st)) return FALSE;
    // Folders, links to folders and read-only files are not DeleteFileW's to remove.
    if (S_ISDIR(st.st_mode) || fs::IsLinkToDirectory(path, st) || (!S_ISLNK(st.st_mode) && fs::IsReadOnly(st))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // A handle of this process opened without delete sharing keeps the file, as on Windows.
    if (!S_ISLNK(st.st_mode) && !OpenHandlesShare(st.st_dev, st.st_ino, FILE_SHARE_DELETE)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (::unlink(path.c_str()) != 0) {
        SetLastError(fs::ErrorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}
