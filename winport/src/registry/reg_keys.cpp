// POSIX emulation of the registry's key functions: open, create, close, delete and the
// predefined-key override. No library logic here.
#include <winport/errors.h>
#include <winport/registry.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "registry/reg_key.h"

#include <cstdio>

using namespace winport::detail;
using namespace winport::detail::reg;

namespace {

std::string Describe(HKEY key, LPCWSTR subkey, REGSAM sam) {
    char head[64];
    std::snprintf(head, sizeof head, "%p, \"", static_cast<void*>(key));
    char tail[32];
    std::snprintf(tail, sizeof tail, "\", 0x%X", static_cast<unsigned>(sam));
    return head + ToUtf8(subkey ? subkey : L"") + tail;
}

// Opens (or, with create, makes) `subkey` below `key` and returns a new handle.
LONG OpenOrCreate(HKEY key, LPCWSTR subkey, REGSAM sam, bool create, PHKEY result, LPDWORD disposition) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::wstring> parts;
    if (LONG rc = SplitSubkey(subkey, parts); rc != ERROR_SUCCESS) return rc;

    Session session;
    if (session.error()) return session.error();
    std::shared_ptr<KeyObject> base;
    if (LONG rc = ResolveKey(session, key, base); rc != ERROR_SUCCESS) return rc;

    // Most creates find the key already there: only a missing key costs a write transaction.
    Target target;
    LONG rc = Walk(session, *base, parts, sam, false, target);
    if (rc == ERROR_FILE_NOT_FOUND && create) {
        if ((rc = session.Begin()) != ERROR_SUCCESS) return rc;
        if ((rc = Walk(session, *base, parts, sam, true, target)) != ERROR_SUCCESS) return rc;
    }
    if (rc != ERROR_SUCCESS) return rc;
    REGSAM granted = 0;
    if ((rc = GrantAccess(sam, target.deny, granted)) != ERROR_SUCCESS) return rc;
    if (target.created && (rc = session.Commit()) != ERROR_SUCCESS) return rc;
    if (disposition) *disposition = target.created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewKeyHandle(target, granted);
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subkey, DWORD options, REGSAM sam, PHKEY result) {
    LogCall("RegOpenKeyExW", [&] { return Describe(key, subkey, sam); });
    if (FaultPoint("RegOpenKeyExW")) return static_cast<LONG>(GetLastError());
    // REG_OPTION_OPEN_LINK: symbolic links are not kept by this registry.
    if (options != 0) return ERROR_NOT_SUPPORTED;
    return OpenOrCreate(key, subkey, sam, false, result, nullptr);
}

extern "C" LONG WINAPI RegCreateKeyExW(HKEY key, LPCWSTR subkey, DWORD reserved, LPWSTR key_class, DWORD options,
                                       REGSAM sam, const SECURITY_ATTRIBUTES* security, PHKEY result,
                                       LPDWORD disposition) {
    LogCall("RegCreateKeyExW", [&] { return Describe(key, subkey, sam); });
    if (FaultPoint("RegCreateKeyExW")) return static_cast<LONG>(GetLastError());
    (void)key_class;  // classes are not kept; nothing reads them back
    if (reserved != 0) return ERROR_INVALID_PARAMETER;
    // Volatile keys and security descriptors are not kept: refuse rather than pretend.
    if (options != REG_OPTION_NON_VOLATILE || (security && security->lpSecurityDescriptor))
        return ERROR_NOT_SUPPORTED;
    return OpenOrCreate(key, subkey, sam, true, result, disposition);
}

extern "C" LONG WINAPI RegCloseKey(HKEY key) {
    LogCall("RegCloseKey", [&] {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%p", static_cast<void*>(key));
        return std::string(buf);
    });
    // The handle goes away even when a fault is injected: on Windows closing a valid handle
    // cannot fail half-way, so an injected failure only tests that callers survive the result.
    bool fault = FaultPoint("RegCloseKey");
    LONG fault_error = fault ? static_cast<LONG>(GetLastError()) : 0;
    auto value = reinterpret_cast<std::uintptr_t>(key);
    auto first = reinterpret_cast<std::uintptr_t>(HKEY_CLASSES_ROOT);
    if (value >= first && value < first + 7) return fault_error;  // predefined: nothing to close
    if (!LookupHandleAs<KeyObject>(key, HandleKind::RegistryKey)) return ERROR_INVALID_HANDLE;
    ReleaseHandle(key);
    return fault_error;
}

extern "C" LONG WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subkey) {
    LogCall("RegDeleteKeyW", [&] { return Describe(key, subkey, 0); });
    if (FaultPoint("RegDeleteKeyW")) return static_cast<LONG>(GetLastError());
    if (subkey == nullptr) return ERROR_INVALID_PARAMETER;
    std::vector<std::wstring> parts;
    if (LONG rc = SplitSubkey(subkey, parts); rc != ERROR_SUCCESS) return rc;

    Session session;
    if (session.error()) return session.error();
    std::shared_ptr<KeyObject> base;
    if (LONG rc = ResolveKey(session, key, base); rc != ERROR_SUCCESS) return rc;
    if (LONG rc = session.Begin(); rc != ERROR_SUCCESS) return rc;
    Target target;
    if (LONG rc = Walk(session, *base, parts, 0, false, target); rc != ERROR_SUCCESS) return rc;
    // Hive roots stay; a protected key stays; a key with subkeys stays (callers delete bottom-up).
    if (target.parent <= 0 || (target.deny & kDenyWrite)) return ERROR_ACCESS_DENIED;
    {
        Query q(session.Get(Sql::HasChildren));
        q.Bind(1, target.id);
        if (q.Step()) return ERROR_ACCESS_DENIED;
        if (q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
    }
    {
        Query q(session.Get(Sql::DeleteKey));
        q.Bind(1, target.id);
        if (q.Step() || q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
    }
    {
        Query q(session.Get(Sql::TouchKey));
        q.Bind(1, FileTimeNow()).Bind(2, target.parent);
        if (q.Step() || q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
    }
    return session.Commit();
}

extern "C" LONG WINAPI RegOverridePredefKey(HKEY key, HKEY replacement) {
    LogCall("RegOverridePredefKey", [&] {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%p, %p", static_cast<void*>(key), static_cast<void*>(replacement));
        return std::string(buf);
    });
    if (FaultPoint("RegOverridePredefKey")) return static_cast<LONG>(GetLastError());
    Session session;
    if (session.error()) return session.error();
    return OverridePredefined(session, key, replacement);
}
