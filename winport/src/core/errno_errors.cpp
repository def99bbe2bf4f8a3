// POSIX emulation: errno to Windows error codes, for every family; no family logic here.
#include "core/errno_errors.h"

#include "core/posix_fs.h"

#include <winport/errors.h>
#include <winport/file.h>

#include <cerrno>

namespace winport::detail {

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case 0: return ERROR_SUCCESS;
        case ENOENT:
        case ENXIO:
        case ENODEV: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR: return ERROR_ACCESS_DENIED;  // as Windows answers for opening a directory
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;  // a link loop: the name resolves to nothing
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case EFBIG:
        case EOVERFLOW: return ERROR_FILE_TOO_LARGE;
        case EROFS: return ERROR_WRITE_PROTECT;
        case EBUSY:
        case ETXTBSY: return ERROR_SHARING_VIOLATION;  // another user holds the file
        case EBADF: return ERROR_INVALID_HANDLE;
        case EINVAL:
        case ESPIPE: return ERROR_INVALID_PARAMETER;
        case EPIPE: return ERROR_NO_DATA;  // "The pipe is being closed."
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EXDEV: return ERROR_NOT_SAME_DEVICE;
        case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
        default: return ERROR_GEN_FAILURE;
    }
}

DWORD ErrorFromErrno(int error, const std::string& path) {
    if (error != ENOENT) return ErrorFromErrno(error);
    return fs::IsDirectory(fs::ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

}  // namespace winport::detail
