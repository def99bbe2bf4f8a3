// Who the accounts are: the machine SID, the well-known and builtin names, the POSIX users and
// the accounts added with NetUserAdd, found by name or by SID. Kept in system.db.
#pragma once

#include <winport/security.h>

#include "accounts/sid.h"
#include "core/store.h"
#include "sspi/ntlm_messages.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace winport::detail::accounts {

struct Account {
    std::wstring domain;
    std::wstring name;
    SidBytes sid;
    SID_NAME_USE use = SidTypeUnknown;
};

// The store with the accounts' tables, its lock held for one call; `store` is null (the last
// error set) when it cannot be opened.
struct AccountSession {
    AccountSession();
    std::unique_lock<std::recursive_mutex> lock;
    Store* store = nullptr;
};

// The domain the local accounts belong to: the computer's NetBIOS name.
std::wstring LocalDomain();
// S-1-5-21-a-b-c: three random sub-authorities, made on first use and kept. Null with the last
// error set when the store fails.
std::optional<SidBytes> MachineSid(Store& store);

enum class Found { Yes, No, Failed };
// "DOMAIN\name", ".\name" or a bare name, compared without case.
Found FindByName(Store& store, std::wstring_view account_name, Account& found);
Found FindBySid(Store& store, const SidBytes& sid, Account& found);

// Whether the process runs as an administrator of this machine: root, or the owner of the state
// directory (system.db is that user's own copy of the machine, as a test's or a developer's
// store is theirs). Only administrators change accounts and the rights policy.
bool CallerAdministers();

// The names of the local accounts: the POSIX users winport maps, then the accounts added with
// NetUserAdd, in the order of their RIDs. False with the last error set when the store fails.
bool LocalUserNames(Store& store, std::vector<std::wstring>& names);

// The POSIX user who runs the process.
std::optional<std::wstring> CurrentPosixUser();

// An account's row in accounts_user: added with NetUserAdd, or a POSIX user once given a password.
struct UserRow {
    std::wstring name;
    DWORD rid = 0;
    bool posix = false;
    ntlm::Key nt_hash{};
};
Found LoadUser(Store& store, std::wstring_view name, UserRow& row);
// The POSIX user of that name (case-blind as far as the system allows) and its RID.
bool FindPosixUser(std::wstring_view name, std::wstring& exact_name, DWORD& rid);

// Relative identifiers: a POSIX user's is 1000 + its uid, so it is the same on every call and
// every process without a table; the accounts winport adds take theirs from 0x40000000 up, a
// range no POSIX uid below 0x40000000 - 1000 reaches (higher uids are not mapped).
constexpr DWORD kPosixRidBase = 1000;
constexpr DWORD kAddedRidBase = 0x40000000;

}  // namespace winport::detail::accounts
