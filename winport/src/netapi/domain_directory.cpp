// The domains table and the changes cw32 makes to it; each change is one transaction.
#include "netapi/domain_directory.h"

#include <winport/domains.h>
#include <winport/errors.h>
#include <winport/netapi.h>

#include "core/text.h"
#include "sspi/ntlm_crypto.h"

#include <sqlite3.h>

#include <algorithm>

namespace winport::detail::domains {
namespace {

const char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS domains (
    folded TEXT PRIMARY KEY, name TEXT NOT NULL, controller TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS domains_user (
    domain TEXT NOT NULL, folded TEXT NOT NULL, name TEXT NOT NULL, nt_hash BLOB NOT NULL,
    PRIMARY KEY (domain, folded));
)sql";

std::recursive_mutex& SessionMutex() {
    static auto* m = new std::recursive_mutex;
    return *m;
}

std::string Folded(std::wstring_view text) { return ToUtf8(FoldCase(text)); }

// A name a domain or its account can have: not empty, no backslash (it would not survive
// "DOMAIN\user").
bool ValidName(const wchar_t* name) {
    return name != nullptr && *name != L'\0' && std::wstring_view(name).find(L'\\') == std::wstring_view::npos;
}

DWORD Failed(const Statement& statement) { return StoreError(statement.last_result()); }

DWORD Finish(Statement& statement, Transaction& transaction) {
    if (!statement.Done()) return Failed(statement);
    return transaction.Commit() ? ERROR_SUCCESS : GetLastError();
}

// Runs `change` in one transaction of an open session; 0 or the error to return.
template <class Change>
DWORD InTransaction(Change&& change) {
    DomainSession session;
    if (session.store == nullptr) return GetLastError();
    Transaction transaction(*session.store);
    if (!transaction.ok()) return GetLastError();
    return change(*session.store, transaction);
}

// Known (0), unknown (NERR_DCNotFound) or the store's error.
DWORD DomainKnown(Store& store, std::wstring_view domain) {
    std::wstring controller;
    const Found found = FindController(store, domain, controller);
    if (found == Found::Failed) return GetLastError();
    return found == Found::Yes ? ERROR_SUCCESS : static_cast<DWORD>(NERR_DCNotFound);
}

// 0 with `exists` set when the domain is known; else NERR_DCNotFound or the store's error.
DWORD FindUser(Store& store, const wchar_t* domain, const wchar_t* user, bool& exists) {
    if (const DWORD known = DomainKnown(store, domain); known != ERROR_SUCCESS) return known;
    ntlm::Key existing{};
    const Found found = LoadDomainUser(store, domain, user, existing);
    if (found == Found::Failed) return GetLastError();
    exists = found == Found::Yes;
    return ERROR_SUCCESS;
}

}  // namespace

DomainSession::DomainSession() : lock(SessionMutex()) {
    Store* opened = Store::Get();
    if (opened != nullptr && opened->EnsureSchema("domains", kSchema)) store = opened;
}

Found FindController(Store& store, std::wstring_view domain, std::wstring& controller) {
    Statement select(store, "SELECT controller FROM domains WHERE folded = ?");
    select.Bind(1, Folded(domain));
    if (select.Step()) {
        controller = FromUtf8(select.Text(0));
        return Found::Yes;
    }
    if (select.Done()) return Found::No;
    SetLastError(Failed(select));
    return Found::Failed;
}

Found LoadDomainUser(Store& store, std::wstring_view domain, std::wstring_view user, ntlm::Key& nt_hash) {
    Statement select(store, "SELECT nt_hash FROM domains_user WHERE domain = ? AND folded = ?");
    select.Bind(1, Folded(domain)).Bind(2, Folded(user));
    if (select.Step()) {
        const std::string hash = select.Blob(0);
        nt_hash.fill(0);
        std::copy_n(hash.begin(), std::min(hash.size(), nt_hash.size()), nt_hash.begin());
        return Found::Yes;
    }
    if (select.Done()) return Found::No;
    SetLastError(Failed(select));
    return Found::Failed;
}

}  // namespace winport::detail::domains

namespace winport {

using namespace detail;
using namespace detail::domains;

DWORD AddDomain(const wchar_t* name, const wchar_t* controller) {
    if (!ValidName(name) || controller == nullptr) return ERROR_INVALID_PARAMETER;
    std::wstring_view dc(controller);
    if (dc.substr(0, 2) == L"\\\\") dc.remove_prefix(2);  // "\\DC" and "DC" name the same machine
    if (dc.empty() || dc.find(L'\\') != std::wstring_view::npos) return ERROR_INVALID_PARAMETER;
    return InTransaction([&](Store& store, Transaction& transaction) -> DWORD {
        const DWORD known = DomainKnown(store, name);
        if (known == ERROR_SUCCESS) return ERROR_ALREADY_EXISTS;
        if (known != NERR_DCNotFound) return known;
        Statement insert(store, "INSERT INTO domains (folded, name, controller) VALUES (?, ?, ?)");
        insert.Bind(1, Folded(name)).Bind(2, ToUtf8(name)).Bind(3, ToUtf8(dc));
        return Finish(insert, transaction);
    });
}

DWORD RemoveDomain(const wchar_t* name) {
    if (!ValidName(name)) return ERROR_INVALID_PARAMETER;
    return InTransaction([&](Store& store, Transaction& transaction) -> DWORD {
        if (const DWORD known = DomainKnown(store, name); known != ERROR_SUCCESS) return known;
        Statement users(store, "DELETE FROM domains_user WHERE domain = ?");
        users.Bind(1, Folded(name));
        if (!users.Done()) return Failed(users);
        Statement domain(store, "DELETE FROM domains WHERE folded = ?");
        domain.Bind(1, Folded(name));
        return Finish(domain, transaction);
    });
}

DWORD ListDomains(std::vector<DomainEntry>& domains) {
    domains.clear();
    DomainSession session;
    if (session.store == nullptr) return GetLastError();
    Statement select(*session.store,
                     "SELECT d.name, d.controller, u.name FROM domains d LEFT JOIN domains_user u ON u.domain = d.folded"
                     " ORDER BY d.folded, u.folded");
    while (select.Step()) {
        const std::wstring name = FromUtf8(select.Text(0));
        if (domains.empty() || domains.back().name != name) domains.push_back({name, FromUtf8(select.Text(1)), {}});
        if (!select.IsNull(2)) domains.back().users.push_back(FromUtf8(select.Text(2)));
    }
    // The loop ended on the last result: SQLITE_DONE, or the failure (Done would run it again).
    return select.last_result() == SQLITE_DONE ? ERROR_SUCCESS : Failed(select);
}

DWORD AddDomainUser(const wchar_t* domain, const wchar_t* user, const wchar_t* password) {
    if (!ValidName(domain) || !ValidName(user) || password == nullptr) return ERROR_INVALID_PARAMETER;
    return InTransaction([&](Store& store, Transaction& transaction) -> DWORD {
        bool exists = false;
        if (const DWORD error = FindUser(store, domain, user, exists); error != ERROR_SUCCESS) return error;
        if (exists) return ERROR_ALREADY_EXISTS;
        const ntlm::Key hash = ntlm::NtHash(password);
        Statement insert(store, "INSERT INTO domains_user (domain, folded, name, nt_hash) VALUES (?, ?, ?, ?)");
        insert.Bind(1, Folded(domain)).Bind(2, Folded(user)).Bind(3, ToUtf8(user)).BindBlob(4, hash.data(), hash.size());
        return Finish(insert, transaction);
    });
}

DWORD RemoveDomainUser(const wchar_t* domain, const wchar_t* user) {
    if (!ValidName(domain) || !ValidName(user)) return ERROR_INVALID_PARAMETER;
    return InTransaction([&](Store& store, Transaction& transaction) -> DWORD {
        bool exists = false;
        if (const DWORD error = FindUser(store, domain, user, exists); error != ERROR_SUCCESS) return error;
        if (!exists) return NERR_UserNotFound;
        Statement remove(store, "DELETE FROM domains_user WHERE domain = ? AND folded = ?");
        remove.Bind(1, Folded(domain)).Bind(2, Folded(user));
        return Finish(remove, transaction);
    });
}

}  // namespace winport
