// The read end of an anonymous pipe. Until this process first peeks at it, ReadFile reads the
// system pipe directly; from then on a pump (pipe_pump.h) keeps it drained into memory and both
// calls are served from there, oldest bytes first.
#pragma once

#include "core/descriptor.h"
#include "pipe/pipe_pump.h"

#include <memory>
#include <mutex>

namespace winport::detail {

struct PipeObject : DescriptorObject {
    using DescriptorObject::DescriptorObject;

    std::mutex mutex;  // guards the start of the pump
    // Started by the first peek at a readable end; lives as long as the object, so a pointer
    // taken under the lock stays good for as long as the caller holds the object.
    std::unique_ptr<PipePump> pump;
};

// ReadFile on a pipe end: what has arrived, waiting for at least one byte; ERROR_BROKEN_PIPE
// once nothing is left and every writer has gone.
BOOL ReadPipe(DescriptorObject& pipe, void* buffer, DWORD size, DWORD* read);

}  // namespace winport::detail
