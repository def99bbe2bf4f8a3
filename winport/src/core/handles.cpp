// The handle table behind every HANDLE-like value winport hands out.
#include "core/handles.h"

#include <winport/errors.h>

#include <array>
#include <mutex>
#include <unordered_map>

namespace winport::detail {
namespace {

struct Entry {
    std::shared_ptr<KernelObject> object;
    bool inheritable;
};

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, Entry> entries;
    std::uintptr_t next = 0x1000;  // multiples of 4, as on Windows; never 0 or -1
    std::array<std::size_t, static_cast<std::size_t>(HandleKind::Other) + 1> live{};
};

Table& table() {
    static Table* t = new Table;  // never destroyed: handles may be closed from static destructors
    return *t;
}

std::size_t index(HandleKind k) { return static_cast<std::size_t>(k); }

}  // namespace

void* RegisterHandle(std::shared_ptr<KernelObject> object, bool inheritable) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    std::uintptr_t value = t.next;
    t.next += 4;
    ++t.live[index(object->kind)];
    t.entries.emplace(value, Entry{std::move(object), inheritable});
    return reinterpret_cast<void*>(value);
}

std::shared_ptr<KernelObject> LookupAnyHandle(const void* handle) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.entries.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == t.entries.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second.object;
}

std::shared_ptr<KernelObject> LookupHandle(const void* handle, HandleKind kind) {
    auto object = LookupAnyHandle(handle);
    if (object && object->kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

bool IsInheritable(const void* handle) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.entries.find(reinterpret_cast<std::uintptr_t>(handle));
    return it != t.entries.end() && it->second.inheritable;
}

void SetInheritable(const void* handle, bool inheritable) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.entries.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it != t.entries.end()) it->second.inheritable = inheritable;
}

bool ReleaseHandle(const void* handle) {
    std::shared_ptr<KernelObject> doomed;  // destroyed after the lock is dropped
    Table& t = table();
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        auto it = t.entries.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == t.entries.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        doomed = std::move(it->second.object);
        --t.live[index(doomed->kind)];
        t.entries.erase(it);
    }
    return true;
}

std::size_t CountLiveHandles(HandleKind kind) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.live[index(kind)];
}

std::size_t CountLiveHandles() {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    std::size_t total = 0;
    for (auto n : t.live) total += n;
    return total;
}

}  // namespace winport::detail
