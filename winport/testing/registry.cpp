// Registry seams: the 32-bit view switch, and the consistency check of the registry tables.
#include "registry/reg_key.h"

#include <winport/registry.h>

using namespace winport::detail;
using namespace winport::detail::reg;

namespace winport::testing {

void EmulateWow64Process(bool is_32bit) { g_wow64 = is_32bit; }
bool IsWow64ProcessEmulated() { return g_wow64; }

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
