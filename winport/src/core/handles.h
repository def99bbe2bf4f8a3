// The handle table shared by every winport family: kernel objects behind HANDLE-like values,
// counted by kind so tests can prove an operation leaves nothing open.
#pragma once

#include <winport/handle_kind.h>
#include <winport/types.h>

#include <cstddef>
#include <memory>

namespace winport::detail {

using winport::HandleKind;  // the families name it through this namespace

// Base of everything a handle can refer to. Objects are shared: DuplicateHandle gives a second
// handle to the same object, which lives until its last handle is closed.
struct KernelObject {
    explicit KernelObject(HandleKind k) : kind(k) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    const HandleKind kind;
};

// Returns a new handle value (never null, never INVALID_HANDLE_VALUE) for the object.
void* RegisterHandle(std::shared_ptr<KernelObject> object, bool inheritable = false);

// The object behind a handle, or null with ERROR_INVALID_HANDLE set when the handle is unknown
// or refers to another kind of object.
std::shared_ptr<KernelObject> LookupHandle(const void* handle, HandleKind kind);
template <class T>
std::shared_ptr<T> LookupHandleAs(const void* handle, HandleKind kind) {
    return std::static_pointer_cast<T>(LookupHandle(handle, kind));
}
// Any kind; used by CloseHandle and DuplicateHandle.
std::shared_ptr<KernelObject> LookupAnyHandle(const void* handle);

bool IsInheritable(const void* handle);
void SetInheritable(const void* handle, bool inheritable);

// Live handles of one kind, and of all kinds.
std::size_t CountLiveHandles(HandleKind kind);
std::size_t CountLiveHandles();

// Removes the handle from the table; false with ERROR_INVALID_HANDLE when it is unknown.
bool ReleaseHandle(const void* handle);

}  // namespace winport::detail
