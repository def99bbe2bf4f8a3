// The domains table in system.db: each domain's name, its controller and its accounts' NT
// hashes. NetGetDCName and the security provider read it; winport/domains.h changes it.
#pragma once

#include "core/store.h"
#include "sspi/ntlm_messages.h"

#include <mutex>
#include <string>

namespace winport::detail::domains {

// The store with the domains' tables, its lock held for one call; `store` is null (the last
// error set) when it cannot be opened.
struct DomainSession {
    DomainSession();
    std::unique_lock<std::recursive_mutex> lock;
    Store* store = nullptr;
};

enum class Found { Yes, No, Failed };
// The controller of `domain` (compared without case). Failed: the last error is set.
Found FindController(Store& store, std::wstring_view domain, std::wstring& controller);
// The NT hash kept for `user` of `domain`.
Found LoadDomainUser(Store& store, std::wstring_view domain, std::wstring_view user, ntlm::Key& nt_hash);

}  // namespace winport::detail::domains
