// What a registry key handle refers to, and how handles, predefined hives, subkey paths, the
// 32-bit view and access control turn into a key of the store.
#pragma once

#include <winport/errors.h>
#include <winport/registry.h>
#include <winport/types.h>

#include "core/handles.h"
#include "registry/reg_store.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace winport::detail::reg {

// Whether this process sees HKLM\SOFTWARE as a 32-bit process on 64-bit Windows does
// (through WOW6432Node); follows the build's pointer size unless a test says otherwise.
extern std::atomic<bool> g_wow64;

constexpr DWORD kMaxKeyNameChars = 255;
constexpr DWORD kMaxValueNameChars = 16383;

// Bits of a key's `deny` column.
constexpr std::int64_t kDenyRead = 1;
constexpr std::int64_t kDenyWrite = 2;

// Access rights that read a key and those that change it.
constexpr REGSAM kReadRights = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

struct KeyCounts {
    DWORD subkeys = 0, longest_subkey = 0;
    DWORD values = 0, longest_value_name = 0, longest_value_data = 0;
    std::int64_t written = 0;
};

// An open key. The path below HKEY_LOCAL_MACHINE (names as the caller wrote them) is kept for
// keys of that hive, since the 32-bit view is decided on the full path.
struct KeyObject : KernelObject {
    KeyObject() : KernelObject(HandleKind::RegistryKey) {}
    std::int64_t id = 0;
    bool under_hklm = false;
    std::vector<std::wstring> hklm_path;
    REGSAM access = 0;

    // Enumeration cursors: the position and folded name last returned, valid while the store's
    // generation is unchanged, so walking index 0, 1, 2 ... costs one index seek per step.
    Generation subkey_at;
    DWORD subkey_index = 0;
    std::string subkey_folded;
    Generation value_at;
    DWORD value_index = 0;
    std::string value_folded;
    Generation counts_at;
    KeyCounts counts;
};

// The key behind a handle or a predefined hive (root keys carry full access). Predefined hives
// follow RegOverridePredefKey. Errors: ERROR_INVALID_HANDLE.
LONG ResolveKey(Session& session, HKEY handle, std::shared_ptr<KeyObject>& key);

// RegOverridePredefKey: a predefined hive maps to (a copy of) another key, or back with null.
LONG OverridePredefined(Session& session, HKEY hive, HKEY replacement);

// Splits a subkey path at backslashes; null or empty means the key itself. Errors:
// ERROR_BAD_PATHNAME for a leading backslash, ERROR_INVALID_PARAMETER for a component longer
// than 255 characters.
LONG SplitSubkey(LPCWSTR subkey, std::vector<std::wstring>& parts);

// The place that opening `parts` below `base` reaches: the key id, its deny bits, its parent and
// (below HKLM) its path. With `create`, missing keys are made (inside the caller's transaction)
// and `created` reports whether the last one was new.
struct Target {
    std::int64_t id = 0;
    std::int64_t parent = 0;
    std::int64_t deny = 0;
    bool under_hklm = false;
    std::vector<std::wstring> hklm_path;
    bool created = false;
};
LONG Walk(Session& session, const KeyObject& base, const std::vector<std::wstring>& parts, REGSAM sam,
          bool create, Target& target);

// Generic and MAXIMUM_ALLOWED bits mapped to key rights; ERROR_ACCESS_DENIED when the key's
// protection refuses what is asked.
LONG GrantAccess(REGSAM sam, std::int64_t deny, REGSAM& granted);

// A new handle for a target (counted as a registry key handle).
HKEY NewKeyHandle(const Target& target, REGSAM granted);

// ERROR_ACCESS_DENIED unless the handle was opened with one of `needed`.
inline LONG RequireAccess(const KeyObject& key, REGSAM needed) {
    return (key.access & needed) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Readies a call on a key handle: the store, the key, and the right the handle must have.
LONG PrepareKey(Session& session, HKEY key, REGSAM needed, std::shared_ptr<KeyObject>& object);

// Copies value data out by the RegQueryValueExW protocol: the size always, the bytes when a
// buffer is given and large enough (else ERROR_MORE_DATA with the needed size).
LONG CopyData(std::string_view bytes, LPBYTE data, LPDWORD size);

// Copies a stored (UTF-8) name into a caller's buffer of `capacity` characters with its NUL;
// ERROR_MORE_DATA when it does not fit. `length` receives the characters without the NUL.
LONG CopyName(std::string_view utf8, LPWSTR name, DWORD capacity, LPDWORD length);

// ERROR_KEY_DELETED when the key no longer exists (another handle deleted it), else `fallback`.
LONG MissingOr(Session& session, std::int64_t key_id, LONG fallback);

}  // namespace winport::detail::reg
