// Kernel objects backed by one POSIX file descriptor (pipe ends; file objects may join), so a
// child process can be handed them as its standard handles.
#pragma once

#include "core/handles.h"

#include <unistd.h>

namespace winport::detail {

struct DescriptorObject : KernelObject {
    DescriptorObject(HandleKind k, int descriptor) : KernelObject(k), fd(descriptor) {}
    ~DescriptorObject() override {
        if (fd >= 0) ::close(fd);
    }
    const int fd;  // opened with O_CLOEXEC: only what CreateProcessW passes on reaches a child
};

// The descriptor behind a handle, or -1 when the handle is not descriptor-backed.
int DescriptorOf(const void* handle);

}  // namespace winport::detail
