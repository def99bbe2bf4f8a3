// The local heap behind LocalAlloc/LocalFree, shared with FormatMessageW's allocated buffers.
#pragma once

#include <cstddef>

namespace winport::detail {

// A fixed block that LocalFree accepts, or null when memory runs out. No fault point: callers
// that stand for a platform call pass their own.
void* AllocateLocalBlock(std::size_t bytes, bool zero);

// Blocks handed out and not yet freed.
std::size_t CountLocalBlocks();

}  // namespace winport::detail
