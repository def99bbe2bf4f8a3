// The read end of an anonymous pipe, with the read-ahead that PeekNamedPipe fills: the file
// family's ReadFile hands pipe reads here, so bytes taken from the system by a peek are read
// first, in order.
#pragma once

#include "descriptor.h"

#include <mutex>
#include <vector>

namespace winport::detail {

struct PipeObject : DescriptorObject {
    using DescriptorObject::DescriptorObject;

    std::mutex mutex;
    std::vector<char> ahead;  // taken from the system by a peek, not yet read
    std::size_t next = 0;     // first unread byte of `ahead`
    // Bytes the system pipe held beyond the read-ahead when it was last asked. Only this
    // object reads them, so they are still there: a peek counts on them without asking again.
    std::size_t system_seen = 0;
    std::size_t Buffered() const { return ahead.size() - next; }
};

// ReadFile on a pipe end: the read-ahead first; otherwise one read of the system pipe, which
// waits for data and fails with ERROR_BROKEN_PIPE once every writer has gone.
BOOL ReadPipe(DescriptorObject& pipe, void* buffer, DWORD size, DWORD* read);

}  // namespace winport::detail
