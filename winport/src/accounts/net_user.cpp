// POSIX emulation of NetUserAdd, NetUserDel, NetUserSetInfo and NetApiBufferFree over the
// accounts' tables; no library logic here. A password is kept only as its NT hash.
#include <winport/errors.h>
#include <winport/message.h>
#include <winport/netapi.h>

#include "accounts/account_directory.h"
#include "core/calllog.h"
#include "core/local_memory.h"
#include "core/fault.h"
#include "core/text.h"
#include "sspi/ntlm_crypto.h"

#include <cwchar>

using namespace winport::detail;
using namespace winport::detail::accounts;

namespace {

// SAM account names hold at most 20 characters, none of these, and not only dots and spaces.
constexpr std::size_t kMaxUserName = 20;
constexpr const wchar_t* kForbidden = L"\"/\\[]:|<>+=;,?*@";

bool ValidUserName(LPCWSTR name) {
    if (name == nullptr || *name == L'\0') return false;
    const std::wstring_view text(name);
    return text.size() <= kMaxUserName && std::wcspbrk(name, kForbidden) == nullptr &&
           text.find_first_not_of(L". ") != std::wstring_view::npos;
}

bool LocalServer(LPCWSTR server) {
    if (server == nullptr || *server == L'\0') return true;
    std::wstring_view name(server);
    if (name.substr(0, 2) == L"\\\\") name.remove_prefix(2);
    return FoldCase(name) == FoldCase(LocalDomain());
}

NET_API_STATUS BadParameter(LPDWORD parm_err, DWORD which) {
    if (parm_err != nullptr) *parm_err = which;
    return ERROR_INVALID_PARAMETER;
}

std::string Printable(LPCWSTR text) { return text != nullptr ? ToUtf8(text) : std::string("null"); }

NET_API_STATUS Finish(Statement& statement, Transaction& transaction) {
    if (!statement.Done()) return StoreError(statement.last_result());
    return transaction.Commit() ? NERR_Success : GetLastError();
}

NET_API_STATUS AddUser(Store& store, const USER_INFO_1& info) {
    Account existing;
    const Found known = FindByName(store, info.usri1_name, existing);
    if (known == Found::Failed) return GetLastError();
    if (known == Found::Yes) return NERR_UserExists;
    if (!MachineSid(store)) return GetLastError();
    Transaction transaction(store);
    if (!transaction.ok()) return GetLastError();
    Statement next(store, "SELECT next_rid FROM accounts_machine WHERE id = 1");
    if (!next.Step()) return StoreError(next.last_result());
    const std::int64_t rid = next.Int(0);
    const ntlm::Key hash = ntlm::NtHash(info.usri1_password);
    Statement insert(store,
                     "INSERT INTO accounts_user (folded, name, rid, posix, nt_hash, priv, flags, comment, home, script)"
                     " VALUES (?, ?, ?, 0, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, ToUtf8(FoldCase(info.usri1_name)))
        .Bind(2, ToUtf8(info.usri1_name))
        .Bind(3, rid)
        .BindBlob(4, hash.data(), hash.size())
        .Bind(5, static_cast<std::int64_t>(info.usri1_priv))
        .Bind(6, static_cast<std::int64_t>(info.usri1_flags))
        .Bind(7, Printable(info.usri1_comment ? info.usri1_comment : L""))
        .Bind(8, Printable(info.usri1_home_dir ? info.usri1_home_dir : L""))
        .Bind(9, Printable(info.usri1_script_path ? info.usri1_script_path : L""));
    if (!insert.Done()) return StoreError(insert.last_result());
    Statement advance(store, "UPDATE accounts_machine SET next_rid = next_rid + 1 WHERE id = 1");
    return Finish(advance, transaction);
}

// The account a change names: its row, or else the POSIX user of that name.
struct NamedUser {
    Found found = Found::No;
    UserRow row;
    bool posix = false;  // a POSIX user, with or without a row
    std::wstring posix_name;
    DWORD posix_rid = 0;
};

// Admits the caller and finds the user the change is about; NERR_Success or the status to return.
NET_API_STATUS FindForChange(const AccountSession& session, LPCWSTR username, NamedUser& user) {
    if (!CallerAdministers()) return ERROR_ACCESS_DENIED;
    if (session.store == nullptr) return GetLastError();
    user.found = LoadUser(*session.store, username, user.row);
    if (user.found == Found::Failed) return GetLastError();
    user.posix = user.row.posix ||
                 (user.found == Found::No && FindPosixUser(username, user.posix_name, user.posix_rid));
    return NERR_Success;
}

}  // namespace

extern "C" NET_API_STATUS WINAPI NetUserAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err) {
    const auto* info = reinterpret_cast<const USER_INFO_1*>(buf);
    LogCall("NetUserAdd", [&] {
        return Printable(servername) + ", " + std::to_string(level) + ", " +
               (level == 1 && info ? Printable(info->usri1_name) : std::string("?"));
    });
    if (FaultPoint("NetUserAdd")) return GetLastError();
    if (!LocalServer(servername)) return RPC_S_SERVER_UNAVAILABLE;
    if (level != 1 || info == nullptr) return ERROR_INVALID_PARAMETER;
    if (!ValidUserName(info->usri1_name)) return BadParameter(parm_err, USER_NAME_PARMNUM);
    if (info->usri1_password == nullptr) return BadParameter(parm_err, USER_PASSWORD_PARMNUM);
    // New accounts are plain users, as on Windows; a group membership makes an administrator.
    if (info->usri1_priv != USER_PRIV_USER) return BadParameter(parm_err, USER_PRIV_PARMNUM);
    if (!CallerAdministers()) return ERROR_ACCESS_DENIED;
    AccountSession session;
    if (session.store == nullptr) return GetLastError();
    return AddUser(*session.store, *info);
}

extern "C" NET_API_STATUS WINAPI NetUserDel(LPCWSTR servername, LPCWSTR username) {
    LogCall("NetUserDel", [&] { return Printable(servername) + ", " + Printable(username); });
    if (FaultPoint("NetUserDel")) return GetLastError();
    if (!LocalServer(servername)) return RPC_S_SERVER_UNAVAILABLE;
    if (username == nullptr || *username == L'\0') return ERROR_INVALID_PARAMETER;
    AccountSession session;
    NamedUser user;
    if (const NET_API_STATUS status = FindForChange(session, username, user); status != NERR_Success) return status;
    // The system's own user database is not winport's to change.
    if (user.posix) return ERROR_ACCESS_DENIED;
    if (user.found == Found::No) return NERR_UserNotFound;
    Transaction transaction(*session.store);
    if (!transaction.ok()) return GetLastError();
    Statement remove(*session.store, "DELETE FROM accounts_user WHERE folded = ?");
    remove.Bind(1, ToUtf8(FoldCase(username)));
    return Finish(remove, transaction);
}

// Level 1003 sets a password. A POSIX user given one gets a row of its own that holds the hash
// (and its RID), so it can log on through the security provider like an added account.
extern "C" NET_API_STATUS WINAPI NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                                                LPDWORD parm_err) {
    LogCall("NetUserSetInfo", [&] { return Printable(servername) + ", " + Printable(username) + ", " + std::to_string(level); });
    if (FaultPoint("NetUserSetInfo")) return GetLastError();
    if (!LocalServer(servername)) return RPC_S_SERVER_UNAVAILABLE;
    const auto* info = reinterpret_cast<const USER_INFO_1003*>(buf);
    if (level != 1003 || info == nullptr || username == nullptr || *username == L'\0') return ERROR_INVALID_PARAMETER;
    if (info->usri1003_password == nullptr) return BadParameter(parm_err, USER_PASSWORD_PARMNUM);
    AccountSession session;
    NamedUser user;
    if (const NET_API_STATUS status = FindForChange(session, username, user); status != NERR_Success) return status;
    if (user.found == Found::No && !user.posix) return NERR_UserNotFound;
    const ntlm::Key hash = ntlm::NtHash(info->usri1003_password);
    Transaction transaction(*session.store);
    if (!transaction.ok()) return GetLastError();
    if (user.found == Found::Yes) {
        Statement update(*session.store, "UPDATE accounts_user SET nt_hash = ? WHERE folded = ?");
        update.BindBlob(1, hash.data(), hash.size()).Bind(2, ToUtf8(FoldCase(username)));
        return Finish(update, transaction);
    }
    Statement insert(*session.store,
                     "INSERT INTO accounts_user (folded, name, rid, posix, nt_hash, priv, flags, comment, home, script)"
                     " VALUES (?, ?, ?, 1, ?, 1, 0, '', '', '')");
    insert.Bind(1, ToUtf8(FoldCase(user.posix_name)))
        .Bind(2, ToUtf8(user.posix_name))
        .Bind(3, static_cast<std::int64_t>(user.posix_rid))
        .BindBlob(4, hash.data(), hash.size());
    return Finish(insert, transaction);
}

extern "C" NET_API_STATUS WINAPI NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE* bufptr,
                                             DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries,
                                             PDWORD resume_handle) {
    LogCall("NetUserEnum", [&] { return Printable(servername) + ", " + std::to_string(level) + ", " + std::to_string(filter); });
    (void)prefmaxlen;  // a hint on Windows too: everything comes in one buffer
    if (FaultPoint("NetUserEnum")) return GetLastError();
    if (!LocalServer(servername)) return RPC_S_SERVER_UNAVAILABLE;
    if (bufptr == nullptr || entriesread == nullptr || totalentries == nullptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    *entriesread = *totalentries = 0;
    if (level != 0) return ERROR_INVALID_LEVEL;
    if (filter != 0 && filter != FILTER_NORMAL_ACCOUNT) return ERROR_NOT_SUPPORTED;
    AccountSession session;
    if (session.store == nullptr) return GetLastError();
    std::vector<std::wstring> names;
    if (!LocalUserNames(*session.store, names)) return GetLastError();
    std::size_t bytes = names.size() * sizeof(USER_INFO_0);
    for (const std::wstring& name : names) bytes += (name.size() + 1) * sizeof(WCHAR);
    auto* entries = static_cast<USER_INFO_0*>(AllocateLocalBlock(bytes, true));
    if (entries == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    auto* text = reinterpret_cast<WCHAR*>(entries + names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::wmemcpy(text, names[i].c_str(), names[i].size() + 1);
        entries[i].usri0_name = text;
        text += names[i].size() + 1;
    }
    *bufptr = reinterpret_cast<LPBYTE>(entries);
    *entriesread = *totalentries = static_cast<DWORD>(names.size());
    if (resume_handle != nullptr) *resume_handle = 0;
    return NERR_Success;
}

extern "C" NET_API_STATUS WINAPI NetApiBufferFree(LPVOID Buffer) {
    LogCall("NetApiBufferFree", [] { return std::string(); });
    // The buffer goes even when a fault is injected: freeing a valid buffer cannot fail half-way
    // on Windows, so an injected failure only tests that callers survive the result.
    const bool fault = FaultPoint("NetApiBufferFree");
    const DWORD fault_error = GetLastError();
    // The Net* calls hand out their buffers from the local heap.
    const bool freed = LocalFree(Buffer) == nullptr;
    if (fault) return fault_error;
    return freed ? NERR_Success : ERROR_INVALID_PARAMETER;
}
