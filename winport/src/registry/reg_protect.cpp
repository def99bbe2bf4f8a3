// POSIX registry: per-key access control (the deny bits that stand in for a key's security
// descriptor) and the consistency check of the registry tables. No library logic here.
#include <winport/errors.h>
#include <winport/registry.h>

#include "registry/reg_key.h"

using namespace winport::detail;
using namespace winport::detail::reg;

namespace winport {

LONG RegSetKeyProtection(HKEY root, LPCWSTR subkey, bool deny_read, bool deny_write) {
    std::vector<std::wstring> parts;
    if (LONG rc = SplitSubkey(subkey, parts); rc != ERROR_SUCCESS) return rc;
    Session session;
    if (session.error()) return session.error();
    std::shared_ptr<KeyObject> base;
    if (LONG rc = ResolveKey(session, root, base); rc != ERROR_SUCCESS) return rc;
    if (LONG rc = session.Begin(); rc != ERROR_SUCCESS) return rc;
    Target target;
    if (LONG rc = Walk(session, *base, parts, 0, false, target); rc != ERROR_SUCCESS) return rc;
    {
        Query q(session.Get(Sql::SetDeny));
        q.Bind(1, (deny_read ? kDenyRead : 0) | (deny_write ? kDenyWrite : 0)).Bind(2, target.id);
        if (q.Step() || q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
    }
    return session.Commit();
}

}  // namespace winport

namespace winport::testing {

std::string CheckRegistryStore() {
    Session session;
    if (session.error()) return "the store cannot be opened (error " + std::to_string(session.error()) + ")";
    std::string problems;
    auto run = [&](const char* sql, const char* what) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(session.db(), sql, -1, &stmt, nullptr) != SQLITE_OK) {
            problems += std::string("cannot check ") + what + ": " + sqlite3_errmsg(session.db()) + "\n";
            return;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            std::string row = text ? reinterpret_cast<const char*>(text) : "";
            if (row != "ok") problems += std::string(what) + ": " + row + "\n";
        }
        sqlite3_finalize(stmt);
    };
    run("PRAGMA integrity_check", "integrity");
    run("SELECT 'value of missing key ' || key FROM reg_value WHERE key NOT IN (SELECT id FROM reg_key)",
        "values");
    run("SELECT 'key ' || name || ' has no parent' FROM reg_key WHERE parent <> 0 AND parent NOT IN "
        "(SELECT id FROM reg_key)",
        "keys");
    return problems.empty() ? "ok" : problems;
}

}  // namespace winport::testing
