// Kernel objects backed by a POSIX descriptor. Files (file.cpp) and pipe ends (the pipe family)
// are both read and written through ReadFile and WriteFile, so both derive from this.
#pragma once

#include "core/errno_errors.h"
#include "core/handles.h"

#include <winport/types.h>

#include <memory>

namespace winport::detail {

struct DescriptorObject : KernelObject {
    // Takes ownership of `descriptor`, which the destructor closes.
    DescriptorObject(HandleKind kind, int descriptor, bool readable, bool writable)
        : KernelObject(kind), fd(descriptor), can_read(readable), can_write(writable) {}
    ~DescriptorObject() override;

    const int fd;
    const bool can_read;   // opened with read access
    const bool can_write;  // opened with write or append access
};

// The descriptor object behind a handle of any kind, or null with ERROR_INVALID_HANDLE set.
std::shared_ptr<DescriptorObject> LookupDescriptor(const void* handle);

}  // namespace winport::detail
