// The accounts' tables, the well-known names and the POSIX user database behind the lookups.
#include "accounts/account_directory.h"

#include <winport/errors.h>

#include "computer/computer_name.h"
#include "core/text.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <pwd.h>
#include <random>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace winport::detail::accounts {
namespace {

const char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS accounts_machine (
    id INTEGER PRIMARY KEY CHECK (id = 1), sid BLOB NOT NULL, next_rid INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS accounts_user (
    folded TEXT PRIMARY KEY, name TEXT NOT NULL, rid INTEGER NOT NULL UNIQUE, posix INTEGER NOT NULL,
    nt_hash BLOB NOT NULL, priv INTEGER NOT NULL, flags INTEGER NOT NULL, comment TEXT NOT NULL,
    home TEXT NOT NULL, script TEXT NOT NULL);
)sql";

std::recursive_mutex& SessionMutex() {
    static auto* m = new std::recursive_mutex;
    return *m;
}

constexpr std::uint64_t kWorldAuthority = 1;
constexpr std::uint64_t kNtAuthority = 5;

struct WellKnown {
    const wchar_t* domain;
    const wchar_t* name;
    std::uint64_t authority;
    std::vector<DWORD> subs;
    SID_NAME_USE use;
};

const std::vector<WellKnown>& WellKnownNames() {
    static const auto* names = new std::vector<WellKnown>{
        {L"", L"Everyone", kWorldAuthority, {0}, SidTypeWellKnownGroup},
        {L"NT AUTHORITY", L"SYSTEM", kNtAuthority, {18}, SidTypeWellKnownGroup},
        {L"NT AUTHORITY", L"LOCAL SERVICE", kNtAuthority, {19}, SidTypeWellKnownGroup},
        {L"NT AUTHORITY", L"NETWORK SERVICE", kNtAuthority, {20}, SidTypeWellKnownGroup},
        {L"NT AUTHORITY", L"Authenticated Users", kNtAuthority, {11}, SidTypeWellKnownGroup},
        {L"BUILTIN", L"Administrators", kNtAuthority, {32, 544}, SidTypeAlias},
        {L"BUILTIN", L"Users", kNtAuthority, {32, 545}, SidTypeAlias},
        {L"BUILTIN", L"Guests", kNtAuthority, {32, 546}, SidTypeAlias},
    };
    return *names;
}

Account FromWellKnown(const WellKnown& known) {
    return {known.domain, known.name, MakeSid(known.authority, known.subs), known.use};
}

bool SameText(std::wstring_view a, std::wstring_view b) { return FoldCase(a) == FoldCase(b); }

bool PosixUserBy(const char* name, uid_t uid, std::wstring& found_name, uid_t& found_uid) {
    struct passwd entry {};
    struct passwd* result = nullptr;
    std::vector<char> buffer(16384);
    const int rc = name != nullptr ? getpwnam_r(name, &entry, buffer.data(), buffer.size(), &result)
                                   : getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &result);
    if (rc != 0 || result == nullptr) return false;
    found_name = FromUtf8(entry.pw_name);
    found_uid = entry.pw_uid;
    return true;
}

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& ch : out) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    return out;
}

bool MappedUid(uid_t uid) { return uid < kAddedRidBase - kPosixRidBase; }

Found LocalByName(Store& store, std::wstring_view name, Account& found) {
    std::optional<SidBytes> machine = MachineSid(store);
    if (!machine) return Found::Failed;
    UserRow row;
    const Found stored = LoadUser(store, name, row);
    if (stored == Found::Failed) return stored;
    DWORD rid = row.rid;
    std::wstring exact = row.name;
    if (stored == Found::No && !FindPosixUser(name, exact, rid)) return Found::No;
    found = {LocalDomain(), exact, AppendRid(*machine, rid), SidTypeUser};
    return Found::Yes;
}

}  // namespace

AccountSession::AccountSession() : lock(SessionMutex()) {
    Store* opened = Store::Get();
    if (opened != nullptr && opened->EnsureSchema("accounts", kSchema)) store = opened;
}

std::wstring LocalDomain() { return NetbiosName(); }

std::optional<SidBytes> MachineSid(Store& store) {
    {
        Statement read(store, "SELECT sid FROM accounts_machine WHERE id = 1");
        if (read.Step()) {
            const std::string blob = read.Blob(0);
            return SidBytes(blob.begin(), blob.end());
        }
        if (!read.Done()) {
            SetLastError(StoreError(read.last_result()));
            return std::nullopt;
        }
    }
    std::random_device random;
    const SidBytes sid = MakeSid(kNtAuthority, {21, random(), random(), random()});
    Transaction transaction(store);
    if (!transaction.ok()) return std::nullopt;
    // Another process may have made it first: its SID wins, ours is dropped.
    Statement insert(store, "INSERT OR IGNORE INTO accounts_machine (id, sid, next_rid) VALUES (1, ?, ?)");
    insert.BindBlob(1, sid.data(), sid.size()).Bind(2, static_cast<std::int64_t>(kAddedRidBase));
    if (!insert.Done() || !transaction.Commit()) {
        SetLastError(StoreError(insert.last_result()));
        return std::nullopt;
    }
    Statement read(store, "SELECT sid FROM accounts_machine WHERE id = 1");
    if (!read.Step()) return std::nullopt;
    const std::string blob = read.Blob(0);
    return SidBytes(blob.begin(), blob.end());
}

Found LoadUser(Store& store, std::wstring_view name, UserRow& row) {
    Statement select(store, "SELECT name, rid, posix, nt_hash FROM accounts_user WHERE folded = ?");
    select.Bind(1, ToUtf8(FoldCase(name)));
    if (!select.Step()) {
        if (select.Done()) return Found::No;
        SetLastError(StoreError(select.last_result()));
        return Found::Failed;
    }
    row.name = FromUtf8(select.Text(0));
    row.rid = static_cast<DWORD>(select.Int(1));
    row.posix = select.Int(2) != 0;
    const std::string hash = select.Blob(3);
    std::copy_n(hash.begin(), std::min(hash.size(), row.nt_hash.size()), row.nt_hash.begin());
    return Found::Yes;
}

// POSIX user names are case-sensitive and nearly always lower case: the name as given is tried
// first, then in lower case, so "ALICE" finds alice as Windows would.
bool FindPosixUser(std::wstring_view name, std::wstring& exact_name, DWORD& rid) {
    if (name.empty()) return false;
    uid_t uid = 0;
    for (const std::wstring& candidate : {std::wstring(name), Lower(name)}) {
        if (PosixUserBy(ToUtf8(candidate).c_str(), 0, exact_name, uid) && MappedUid(uid)) {
            rid = kPosixRidBase + static_cast<DWORD>(uid);
            return true;
        }
    }
    return false;
}

Found FindByName(Store& store, std::wstring_view account_name, Account& found) {
    const std::size_t slash = account_name.find(L'\\');
    const bool qualified = slash != std::wstring_view::npos;
    const std::wstring_view domain = qualified ? account_name.substr(0, slash) : std::wstring_view();
    const std::wstring_view name = qualified ? account_name.substr(slash + 1) : account_name;
    if (name.empty() || name.find(L'\\') != std::wstring_view::npos) return Found::No;
    for (const WellKnown& known : WellKnownNames()) {
        if ((!qualified || SameText(domain, known.domain)) && SameText(name, known.name)) {
            found = FromWellKnown(known);
            return Found::Yes;
        }
    }
    if (qualified && domain != L"." && !SameText(domain, LocalDomain())) return Found::No;
    return LocalByName(store, name, found);
}

Found FindBySid(Store& store, const SidBytes& sid, Account& found) {
    for (const WellKnown& known : WellKnownNames()) {
        if (MakeSid(known.authority, known.subs) == sid) {
            found = FromWellKnown(known);
            return Found::Yes;
        }
    }
    std::optional<SidBytes> machine = MachineSid(store);
    if (!machine) return Found::Failed;
    if (sid.size() != machine->size() + 4 || sid[1] != (*machine)[1] + 1 ||
        !std::equal(machine->begin() + 2, machine->end(), sid.begin() + 2))
        return Found::No;
    DWORD rid = 0;
    std::memcpy(&rid, sid.data() + machine->size(), 4);
    Statement select(store, "SELECT name FROM accounts_user WHERE rid = ?");
    select.Bind(1, static_cast<std::int64_t>(rid));
    std::wstring name;
    if (select.Step()) {
        name = FromUtf8(select.Text(0));
    } else if (!select.Done()) {
        SetLastError(StoreError(select.last_result()));
        return Found::Failed;
    } else {
        uid_t uid = 0;
        if (rid < kPosixRidBase || rid >= kAddedRidBase || !PosixUserBy(nullptr, rid - kPosixRidBase, name, uid))
            return Found::No;
    }
    found = {LocalDomain(), name, sid, SidTypeUser};
    return Found::Yes;
}

bool LocalUserNames(Store& store, std::vector<std::wstring>& names) {
    std::vector<std::pair<DWORD, std::wstring>> found;
    setpwent();
    struct passwd entry {};
    struct passwd* result = nullptr;
    std::vector<char> buffer(16384);
    while (getpwent_r(&entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr)
        if (MappedUid(entry.pw_uid)) found.emplace_back(kPosixRidBase + entry.pw_uid, FromUtf8(entry.pw_name));
    endpwent();
    Statement select(store, "SELECT rid, name FROM accounts_user WHERE posix = 0");
    while (select.Step()) found.emplace_back(static_cast<DWORD>(select.Int(0)), FromUtf8(select.Text(1)));
    if (select.last_result() != SQLITE_DONE) {
        SetLastError(StoreError(select.last_result()));
        return false;
    }
    std::sort(found.begin(), found.end());
    for (auto& [rid, name] : found) names.push_back(std::move(name));
    return true;
}

bool CallerAdministers() {
    const uid_t caller = geteuid();
    if (caller == 0) return true;
    struct stat info {};
    return ::stat(StateDirectory().c_str(), &info) == 0 && info.st_uid == caller;
}

std::optional<std::wstring> CurrentPosixUser() {
    std::wstring name;
    uid_t uid = 0;
    if (!PosixUserBy(nullptr, geteuid(), name, uid)) return std::nullopt;
    return name;
}

}  // namespace winport::detail::accounts
