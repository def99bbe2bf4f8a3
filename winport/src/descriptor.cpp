// Descriptor-backed kernel objects and the errno-to-Windows error table of the file family.
#include "descriptor.h"

#include <winport/errors.h>
#include <winport/file.h>

#include <cerrno>
#include <unistd.h>

namespace winport::detail {

DescriptorObject::~DescriptorObject() { ::close(fd); }

std::shared_ptr<DescriptorObject> LookupDescriptor(const void* handle) {
    auto object = std::dynamic_pointer_cast<DescriptorObject>(LookupAnyHandle(handle));
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

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
        case EEXIST: return ERROR_FILE_EXISTS;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case EFBIG:
        case EOVERFLOW: return ERROR_FILE_TOO_LARGE;
        case EROFS: return ERROR_WRITE_PROTECT;
        case ETXTBSY: return ERROR_SHARING_VIOLATION;
        case EBUSY: return ERROR_BUSY;
        case EBADF: return ERROR_INVALID_HANDLE;
        case EINVAL:
        case ESPIPE: return ERROR_INVALID_PARAMETER;
        case EPIPE: return ERROR_NO_DATA;  // "The pipe is being closed."
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace winport::detail
