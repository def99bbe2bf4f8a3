// Handle accounting seams: how many handles and local blocks are still open.
#include "core/handles.h"
#include "core/local_memory.h"

#include <winport/testing.h>

namespace winport::testing {

std::size_t LiveHandles(HandleKind kind) { return detail::CountLiveHandles(kind); }
std::size_t LiveHandles() { return detail::CountLiveHandles(); }

const char* HandleKindName(HandleKind kind) {
    static const char* const names[] = {"file", "find", "pipe", "process", "thread", "module",
                                        "registry key", "service manager", "service", "policy",
                                        "security context", "credential", "other"};
    return names[static_cast<std::size_t>(kind)];
}

std::size_t LiveLocalBlocks() { return detail::CountLocalBlocks(); }

}  // namespace winport::testing
