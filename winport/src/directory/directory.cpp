// POSIX emulation of CreateDirectoryW and RemoveDirectoryW; no library logic here.
#include <winport/directory.h>
#include <winport/errors.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "core/posix_fs.h"
#include "core/unsupported.h"

#include <cerrno>
#include <unistd.h>

using namespace winport::detail;

extern "C" BOOL WINAPI CreateDirectoryW(LPCWSTR path_name, LPSECURITY_ATTRIBUTES security) {
    LogCall("CreateDirectoryW", [&] { return ToPosixPath(path_name); });
    if (FaultPoint("CreateDirectoryW")) return FALSE;
    if (security != nullptr && security->lpSecurityDescriptor != nullptr) {
        ReportUnsupported("CreateDirectoryW", "a security descriptor for a POSIX folder");
        return FALSE;
    }
    if (path_name == nullptr || *path_name == L'\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    const std::string path = ToPosixPath(path_name);
    if (::mkdir(path.c_str(), 0777) != 0) {
        // A missing parent is always "path not found" here: the new name itself is never there.
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : fs::ErrorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryW(LPCWSTR path_name) {
    LogCall("RemoveDirectoryW", [&] { return ToPosixPath(path_name); });
    if (FaultPoint("RemoveDirectoryW")) return FALSE;
    std::string path;
    struct stat st;
    if (!fs::StatEntry(path_name, path, st)) return FALSE;
    // A link to a folder goes as a link; what it leads to stays untouched.
    if (fs::IsLinkToDirectory(path, st)) {
        if (::unlink(path.c_str()) != 0) {
            SetLastError(fs::ErrorFromErrno(errno, path));
            return FALSE;
        }
        return TRUE;
    }
    if (!S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (fs::IsReadOnly(st)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::rmdir(path.c_str()) != 0) {
        SetLastError(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : fs::ErrorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}
