// POSIX registry: from handles and subkey paths to keys of the store (predefined hives, the
// 32-bit view, access control). No Win32 entry points here.
#include "registry/reg_key.h"

#include <winport/errors.h>

#include "core/text.h"

#include <array>
#include <atomic>
#include <cstring>

namespace winport::detail::reg {

std::atomic<bool> g_wow64{sizeof(void*) == 4};

namespace {

constexpr int kHiveCount = 7;
constexpr int kClassesRoot = 0, kLocalMachine = 2, kCurrentConfig = 5;

// Hives that Windows keeps as links into HKLM; the rest are roots of their own.
const wchar_t* const kRootNames[kHiveCount] = {nullptr, L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE",
                                               L"HKEY_USERS", L"HKEY_PERFORMANCE_DATA", nullptr,
                                               L"HKEY_DYN_DATA"};
const std::vector<std::wstring> kClassesPath = {L"SOFTWARE", L"Classes"};
const std::vector<std::wstring> kCurrentConfigPath = {L"SYSTEM", L"CurrentControlSet", L"Hardware Profiles",
                                                      L"Current"};

// Keys of the predefined hives on the current connection, and the keys tests put in their place.
struct Predefined {
    std::uint64_t connection = 0;  // Session::connection() the hive ids belong to
    std::array<std::shared_ptr<KeyObject>, kHiveCount> hives;
    std::array<std::shared_ptr<KeyObject>, kHiveCount> overrides;
};
Predefined& predefined() {
    static auto* p = new Predefined;
    return *p;
}

int HiveIndex(HKEY handle) {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    auto first = reinterpret_cast<std::uintptr_t>(HKEY_CLASSES_ROOT);
    if (value < first || value >= first + kHiveCount) return -1;
    return static_cast<int>(value - first);
}

bool ViewIs32(REGSAM sam) {
    if (sam & KEY_WOW64_32KEY) return true;
    if (sam & KEY_WOW64_64KEY) return false;
    return g_wow64.load(std::memory_order_relaxed);
}

bool SameName(const std::wstring& name, const char* folded) { return FoldName(name) == folded; }

// HKLM\SOFTWARE and everything below it, except the shared Classes tree and what is already
// the 32-bit tree, is seen by 32-bit programs under HKLM\SOFTWARE\WOW6432Node.
bool Redirected(const std::vector<std::wstring>& path) {
    if (path.empty() || !SameName(path[0], "SOFTWARE")) return false;
    return path.size() < 2 || (!SameName(path[1], "WOW6432NODE") && !SameName(path[1], "CLASSES"));
}

std::shared_ptr<KeyObject> RootObject(std::int64_t id, bool under_hklm, std::vector<std::wstring> path) {
    auto key = std::make_shared<KeyObject>();
    key->id = id;
    key->under_hklm = under_hklm;
    key->hklm_path = std::move(path);
    key->access = KEY_ALL_ACCESS;
    return key;
}

LONG LoadHives(Session& session, Predefined& p) {
    p.hives = {};
    for (int i = 0; i < kHiveCount; ++i) {
        if (!kRootNames[i]) continue;
        Query q(session.Get(Sql::FindChild));
        std::string folded = FoldName(kRootNames[i]);
        q.Bind(1, 0).Bind(2, folded);
        if (!q.Step()) return q.Result() == SQLITE_DONE ? ERROR_REGISTRY_CORRUPT : ErrorFromSqlite(q.Result());
        p.hives[i] = RootObject(q.Int(0), i == kLocalMachine, {});
    }
    // The linked hives are made on first use, as Windows always has them.
    for (int i : {kClassesRoot, kCurrentConfig}) {
        const auto& path = i == kClassesRoot ? kClassesPath : kCurrentConfigPath;
        Target target;
        LONG rc = Walk(session, *p.hives[kLocalMachine], path, KEY_WOW64_64KEY, false, target);
        if (rc == ERROR_FILE_NOT_FOUND) {
            // Inside a caller's transaction the keys simply become part of it.
            bool own = sqlite3_get_autocommit(session.db()) != 0;
            if (own && (rc = session.Begin()) != ERROR_SUCCESS) return rc;
            rc = Walk(session, *p.hives[kLocalMachine], path, KEY_WOW64_64KEY, true, target);
            if (own && rc == ERROR_SUCCESS) rc = session.Commit();
        }
        if (rc != ERROR_SUCCESS) return rc;
        p.hives[i] = RootObject(target.id, true, path);
    }
    p.connection = session.connection();
    return ERROR_SUCCESS;
}

}  // namespace

LONG ResolveKey(Session& session, HKEY handle, std::shared_ptr<KeyObject>& key) {
    int hive = HiveIndex(handle);
    if (hive < 0) {
        key = LookupHandleAs<KeyObject>(handle, HandleKind::RegistryKey);
        return key ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }
    Predefined& p = predefined();
    if (p.overrides[hive]) {
        key = p.overrides[hive];
        return ERROR_SUCCESS;
    }
    if (p.connection != session.connection()) {
        p.connection = 0;
        if (LONG rc = LoadHives(session, p); rc != ERROR_SUCCESS) return rc;
    }
    key = p.hives[hive];
    return ERROR_SUCCESS;
}

LONG OverridePredefined(Session& session, HKEY hive_handle, HKEY replacement) {
    int hive = HiveIndex(hive_handle);
    if (hive < 0) return ERROR_INVALID_HANDLE;
    Predefined& p = predefined();
    if (replacement == nullptr) {
        p.overrides[hive].reset();
        return ERROR_SUCCESS;
    }
    std::shared_ptr<KeyObject> target;
    if (LONG rc = ResolveKey(session, replacement, target); rc != ERROR_SUCCESS) return rc;
    // Windows keeps its own handle to the replacement: a copy outlives the caller's handle.
    auto copy = std::make_shared<KeyObject>();
    copy->id = target->id;
    copy->under_hklm = target->under_hklm;
    copy->hklm_path = target->hklm_path;
    copy->access = target->access;
    p.overrides[hive] = std::move(copy);
    return ERROR_SUCCESS;
}

LONG SplitSubkey(LPCWSTR subkey, std::vector<std::wstring>& parts) {
    parts.clear();
    if (subkey == nullptr || *subkey == L'\0') return ERROR_SUCCESS;
    const wchar_t* start = subkey;
    for (const wchar_t* p = subkey;; ++p) {
        if (*p != L'\\' && *p != L'\0') continue;
        std::size_t length = static_cast<std::size_t>(p - start);
        // A leading backslash is refused; doubled and trailing ones are passed over.
        if (length == 0 && start == subkey) return ERROR_BAD_PATHNAME;
        if (length > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
        if (length) parts.emplace_back(start, length);
        if (*p == L'\0') return ERROR_SUCCESS;
        start = p + 1;
    }
}

LONG Walk(Session& session, const KeyObject& base, const std::vector<std::wstring>& parts, REGSAM sam,
          bool create, Target& target) {
    std::int64_t current = base.id;
    const std::vector<std::wstring>* names = &parts;
    target.under_hklm = base.under_hklm;
    if (base.under_hklm) {
        target.hklm_path = base.hklm_path;
        target.hklm_path.insert(target.hklm_path.end(), parts.begin(), parts.end());
        // A new handle to the handle's own key (no subkey) stays in the view it was opened in.
        if (!parts.empty() && ViewIs32(sam) && Redirected(target.hklm_path)) {
            target.hklm_path.insert(target.hklm_path.begin() + 1, L"WOW6432Node");
            std::shared_ptr<KeyObject> hklm;
            if (LONG rc = ResolveKey(session, HKEY_LOCAL_MACHINE, hklm); rc != ERROR_SUCCESS) return rc;
            current = hklm->id;
            names = &target.hklm_path;
        }
    }

    target.parent = -1;
    target.created = false;
    if (names->empty()) {
        Query q(session.Get(Sql::KeyExists));
        q.Bind(1, current);
        if (!q.Step()) return q.Result() == SQLITE_DONE ? ERROR_KEY_DELETED : ErrorFromSqlite(q.Result());
        target.id = current;
        target.deny = q.Int(0);
        target.parent = q.Int(2);
        return ERROR_SUCCESS;
    }
    const std::int64_t start_id = current;
    const REGSAM start_access = names == &parts ? base.access : KEY_ALL_ACCESS;
    std::int64_t deny = 0;
    for (const std::wstring& name : *names) {
        std::string folded = FoldName(name);
        target.parent = current;
        {
            Query q(session.Get(Sql::FindChild));
            q.Bind(1, current).Bind(2, folded);
            if (q.Step()) {
                current = q.Int(0);
                deny = q.Int(1);
                target.created = false;
                continue;
            }
            if (q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
        }
        if (!create) return ERROR_FILE_NOT_FOUND;
        // Creating a subkey is writing to its parent: to the handle's key, the handle must allow
        // it; further down, the parent's protection decides.
        if (current == start_id ? !(start_access & KEY_CREATE_SUB_KEY) : (deny & kDenyWrite) != 0)
            return ERROR_ACCESS_DENIED;
        std::string utf8 = ToUtf8(name);
        std::int64_t now = FileTimeNow();
        {
            Query q(session.Get(Sql::InsertKey));
            q.Bind(1, current).Bind(2, utf8).Bind(3, folded).Bind(4, now);
            if (q.Step() || q.Result() != SQLITE_DONE) {
                return q.Result() == SQLITE_CONSTRAINT ? ERROR_KEY_DELETED : ErrorFromSqlite(q.Result());
            }
        }
        {
            Query q(session.Get(Sql::TouchKey));
            q.Bind(1, now).Bind(2, current);
            q.Step();
        }
        current = sqlite3_last_insert_rowid(session.db());
        deny = 0;
        target.created = true;
    }
    target.id = current;
    target.deny = deny;
    return ERROR_SUCCESS;
}

LONG GrantAccess(REGSAM sam, std::int64_t deny, REGSAM& granted) {
    REGSAM denied = ((deny & kDenyRead) ? kReadRights : 0) | ((deny & kDenyWrite) ? kWriteRights : 0);
    REGSAM wanted = sam & ~(KEY_WOW64_RES | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL |
                            MAXIMUM_ALLOWED);
    if (sam & GENERIC_READ) wanted |= KEY_READ;
    if (sam & GENERIC_WRITE) wanted |= KEY_WRITE;
    if (sam & GENERIC_EXECUTE) wanted |= KEY_EXECUTE;
    if (sam & GENERIC_ALL) wanted |= KEY_ALL_ACCESS;
    if (sam & MAXIMUM_ALLOWED) {
        granted = (wanted | KEY_ALL_ACCESS) & ~denied;
        return ERROR_SUCCESS;
    }
    if (wanted & denied) return ERROR_ACCESS_DENIED;
    granted = wanted;
    return ERROR_SUCCESS;
}

HKEY NewKeyHandle(const Target& target, REGSAM granted) {
    auto key = std::make_shared<KeyObject>();
    key->id = target.id;
    key->under_hklm = target.under_hklm;
    key->hklm_path = target.hklm_path;
    key->access = granted;
    return static_cast<HKEY>(RegisterHandle(std::move(key)));
}

LONG PrepareKey(Session& session, HKEY key, REGSAM needed, std::shared_ptr<KeyObject>& object) {
    if (session.error()) return session.error();
    if (LONG rc = ResolveKey(session, key, object); rc != ERROR_SUCCESS) return rc;
    return RequireAccess(*object, needed);
}

LONG CopyData(std::string_view bytes, LPBYTE data, LPDWORD size) {
    DWORD needed = static_cast<DWORD>(bytes.size());
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed) std::memcpy(data, bytes.data(), needed);
    }
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

LONG CopyName(std::string_view utf8, LPWSTR name, DWORD capacity, LPDWORD length) {
    std::wstring text = FromUtf8(utf8);
    if (text.size() + 1 > capacity) return ERROR_MORE_DATA;
    std::memcpy(name, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    if (length) *length = static_cast<DWORD>(text.size());
    return ERROR_SUCCESS;
}

LONG MissingOr(Session& session, std::int64_t key_id, LONG fallback) {
    Query q(session.Get(Sql::KeyExists));
    q.Bind(1, key_id);
    if (q.Step()) return fallback;
    return q.Result() == SQLITE_DONE ? ERROR_KEY_DELETED : ErrorFromSqlite(q.Result());
}

}  // namespace winport::detail::reg
