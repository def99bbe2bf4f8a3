// The one owner of a platform handle, whatever its kind: UniqueHandle<Traits> closes what it
// holds on every path out of its scope. Move-only; get, release, reset, and put for the
// out-parameter of the call that opens. Closing keeps the thread's last error as it was, so
// an owner that goes out of scope between a failing call and its GetLastError changes nothing.
// The library and cw32 use it for every handle kind they own.
#pragma once

#include "common-win32/platform.h"

#include <utility>

namespace cw32 {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    bool valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return valid(); }

    // Gives the handle up without closing it.
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }
    // Closes what is held (keeping the last error) and holds `handle` instead.
    void reset(Handle handle = Traits::Invalid()) {
        const Handle old = std::exchange(handle_, handle);
        if (Traits::IsValid(old)) {
            const DWORD last_error = GetLastError();
            Traits::Close(old);
            SetLastError(last_error);
        }
    }
    // Closes what is held, for a call that opens into the returned place.
    Handle* put() {
        reset();
        return &handle_;
    }
    // Closes now and reports whether the system did (true when nothing was held).
    bool close() {
        const Handle old = release();
        return !Traits::IsValid(old) || Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Invalid();
};

// Kernel objects: files, pipes, processes, threads. Each of null and INVALID_HANDLE_VALUE
// means "none", as each turns up where the other is not used.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Handle h) { return CloseHandle(h) != FALSE; }
};
// A FindFirstFileW enumeration.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Handle h) { return FindClose(h) != FALSE; }
};
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
// Blocks the system allocated for the caller, each kind given back by its own call: LocalFree
// (FormatMessageW, CommandLineToArgvW, ConvertSidToStringSidW), LsaFreeMemory
// (LsaEnumerateAccountRights), NetApiBufferFree (NetUserEnum). `kReleased` is what that call
// answers when it has released the block.
template <class Pointer, class Result, Result(WINAPI* Release)(PVOID), Result kReleased>
struct AllocatedBlockTraits {
    using Handle = Pointer;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return Release(const_cast<PVOID>(static_cast<const void*>(h))) == kReleased; }
};
// A control-manager or service handle.
struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return CloseServiceHandle(h) != FALSE; }
};

// A local security policy handle (LsaOpenPolicy).
struct PolicyHandleTraits {
    using Handle = LSA_HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return LsaClose(h) == 0; }
};

// A credential or context handle of a security provider, with the function table that
// releases it. The handle is a two-word value that the provider fills in place, so the owner
// holds the record's address; the record lives in the caller's frame and outlives the owner.
// An owned record is released even if the provider never filled it: the provider refuses the
// zeroed handle, and the refusal is ignored.
struct SecurityHandle {
    PSecurityFunctionTableW table = nullptr;
    SecHandle handle{};
};
struct CredentialHandleTraits {
    using Handle = SecurityHandle*;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return h->table->FreeCredentialsHandle(&h->handle) == SEC_E_OK; }
};
struct ContextHandleTraits {
    using Handle = SecurityHandle*;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return h->table->DeleteSecurityContext(&h->handle) == SEC_E_OK; }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueCredentialHandle = UniqueHandle<CredentialHandleTraits>;
using UniqueContextHandle = UniqueHandle<ContextHandleTraits>;
template <class Pointer>
using UniqueLocalMemory = UniqueHandle<AllocatedBlockTraits<Pointer, HLOCAL, LocalFree, nullptr>>;
using UniquePolicyHandle = UniqueHandle<PolicyHandleTraits>;
template <class Pointer>
using UniqueLsaMemory = UniqueHandle<AllocatedBlockTraits<Pointer, NTSTATUS, LsaFreeMemory, 0>>;
template <class Pointer>
using UniqueNetBuffer = UniqueHandle<AllocatedBlockTraits<Pointer, NET_API_STATUS, NetApiBufferFree, 0>>;

}  // namespace cw32
