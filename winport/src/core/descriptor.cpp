// Descriptor-backed kernel objects.
#include "core/descriptor.h"

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

}  // namespace winport::detail
