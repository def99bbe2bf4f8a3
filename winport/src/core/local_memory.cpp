// POSIX emulation of the local heap (LocalAlloc/LocalFree); no library logic here.
// Blocks are remembered, so freeing something winport did not hand out is reported, not a crash.
#include "core/local_memory.h"

#include "core/calllog.h"
#include "core/fault.h"

#include <winport/errors.h>
#include <winport/message.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

namespace winport::detail {
namespace {

struct LocalHeap {
    std::mutex mutex;
    std::unordered_set<void*> blocks;
};

LocalHeap& heap() {
    static LocalHeap* h = new LocalHeap;  // never destroyed: blocks may be freed during exit
    return *h;
}

}  // namespace

void* AllocateLocalBlock(std::size_t bytes, bool zero) {
    // A zero-byte request still gets a distinct block, as on Windows.
    void* block = zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
    if (block == nullptr) return nullptr;
    LocalHeap& h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    h.blocks.insert(block);
    return block;
}

std::size_t CountLocalBlocks() {
    LocalHeap& h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    return h.blocks.size();
}

}  // namespace winport::detail

using namespace winport::detail;

extern "C" HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    LogCall("LocalAlloc", [&] { return "flags=" + std::to_string(uFlags) + " bytes=" + std::to_string(uBytes); });
    if (FaultPoint("LocalAlloc")) return nullptr;
    if (uFlags & ~static_cast<UINT>(LMEM_ZEROINIT | LMEM_MOVEABLE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (uFlags & LMEM_MOVEABLE) {
        // Moveable blocks need LocalLock; nothing the library calls uses them.
        std::fprintf(stderr, "winport: LocalAlloc: LMEM_MOVEABLE is not supported\n");
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    void* block = AllocateLocalBlock(uBytes, (uFlags & LMEM_ZEROINIT) != 0);
    if (block == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

extern "C" HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    if (hMem == nullptr) return nullptr;
    LocalHeap& h = heap();
    {
        std::lock_guard<std::mutex> lock(h.mutex);
        if (h.blocks.erase(hMem) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return hMem;
        }
    }
    std::free(hMem);
    return nullptr;
}
