// POSIX registry storage: the tables in system.db, the statement cache and the registry lock.
// No Win32 protocol logic here.
#include "registry/reg_store.h"

#include <winport/errors.h>

#include "core/clock.h"
#include "core/store.h"
#include "core/text.h"

#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace winport::detail::reg {
namespace {

// Keys form a tree by parent id (hive roots have parent 0); names keep the caller's case and
// `folded` (upper case, UTF-8) serves matching and ordering. Values live with their key and
// go with it. `deny` is the key's access control: 1 refuses reading, 2 refuses writing.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_key(
    id INTEGER PRIMARY KEY,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    deny INTEGER NOT NULL DEFAULT 0,
    written INTEGER NOT NULL DEFAULT 0);
CREATE UNIQUE INDEX IF NOT EXISTS reg_key_child ON reg_key(parent, folded);
CREATE TABLE IF NOT EXISTS reg_value(
    key INTEGER NOT NULL REFERENCES reg_key(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(key, folded)) WITHOUT ROWID;
INSERT OR IGNORE INTO reg_key(parent, name, folded) VALUES
    (0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
    (0, 'HKEY_USERS', 'HKEY_USERS'),
    (0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
    (0, 'HKEY_PERFORMANCE_DATA', 'HKEY_PERFORMANCE_DATA'),
    (0, 'HKEY_DYN_DATA', 'HKEY_DYN_DATA');
)sql";

constexpr const char* kStatements[] = {
    "SELECT id, deny FROM reg_key WHERE parent = ?1 AND folded = ?2",
    "INSERT INTO reg_key(parent, name, folded, written) VALUES(?1, ?2, ?3, ?4)",
    // A key already stamped with this very time is left alone: its page then stays out of
    // the transaction (a run of writes to one key within a millisecond writes it once).
    "UPDATE reg_key SET written = ?1 WHERE id = ?2 AND written <> ?1",
    "DELETE FROM reg_key WHERE id = ?1",
    "SELECT deny, written, parent FROM reg_key WHERE id = ?1",
    "SELECT 1 FROM reg_key WHERE parent = ?1 LIMIT 1",
    "UPDATE reg_key SET deny = ?1 WHERE id = ?2",
    "SELECT name, folded, written FROM reg_key WHERE parent = ?1 AND folded > ?2 ORDER BY folded LIMIT 1",
    "SELECT name, folded, written FROM reg_key WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2",
    "SELECT count(*), coalesce(max(length(name)), 0) FROM reg_key WHERE parent = ?1",
    "SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(data)), 0) FROM reg_value "
    "WHERE key = ?1",
    "SELECT type, data FROM reg_value WHERE key = ?1 AND folded = ?2",
    "INSERT INTO reg_value(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM reg_value WHERE key = ?1 AND folded = ?2",
    "SELECT name, folded, type, data FROM reg_value WHERE key = ?1 AND folded > ?2 ORDER BY folded LIMIT 1",
    "SELECT name, folded, type, data FROM reg_value WHERE key = ?1 ORDER BY folded LIMIT 1 OFFSET ?2",
    "PRAGMA data_version",
    // Every change is its own transaction: prepared once like the rest rather than parsed
    // again by sqlite3_exec on each call.
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
};
static_assert(sizeof(kStatements) / sizeof(kStatements[0]) == static_cast<std::size_t>(Sql::Count_));

// The statements of the connection they were prepared on. When the store is reset, the old
// connection lingers (sqlite3_close_v2) until its statements are finalised here, so a new
// connection can never reuse its address.
struct StatementCache {
    sqlite3* db = nullptr;
    std::uint64_t serial = 0;
    sqlite3_stmt* stmts[static_cast<std::size_t>(Sql::Count_)] = {};

    void Drop() {
        for (auto& s : stmts) {
            sqlite3_finalize(s);
            s = nullptr;
        }
        db = nullptr;
    }
};

std::recursive_mutex& RegistryMutex() {
    static auto* m = new std::recursive_mutex;  // never destroyed: keys may close at exit
    return *m;
}

StatementCache& Cache() {
    static auto* c = new StatementCache;
    return *c;
}

}  // namespace

Session::Session() : lock_(RegistryMutex()) {
    Store* store = Store::Get();
    if (store == nullptr) {
        error_ = static_cast<LONG>(GetLastError());
        return;
    }
    StatementCache& cache = Cache();
    if (cache.db == store->db()) return;
    cache.Drop();
    if (!store->EnsureSchema("registry", kSchema)) {
        error_ = static_cast<LONG>(GetLastError());
        return;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(Sql::Count_); ++i) {
        int rc = sqlite3_prepare_v3(store->db(), kStatements[i], -1, SQLITE_PREPARE_PERSISTENT, &cache.stmts[i],
                                    nullptr);
        if (rc != SQLITE_OK) {
            cache.Drop();
            error_ = ErrorFromSqlite(rc);
            return;
        }
    }
    cache.db = store->db();
    ++cache.serial;
}

namespace {

// Runs one of the transaction statements; SQLITE_OK when it completed.
int RunStatement(sqlite3_stmt* stmt) {
    int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

}  // namespace

Session::~Session() {
    if (in_transaction_) RunStatement(Get(Sql::Rollback));
}

sqlite3_stmt* Session::Get(Sql which) const { return Cache().stmts[static_cast<std::size_t>(which)]; }

sqlite3* Session::db() const { return Cache().db; }

std::uint64_t Session::connection() const { return Cache().serial; }

Generation Session::Now() const {
    Generation g;
    g.connection = connection();
    Query q(Get(Sql::DataVersion));
    if (q.Step()) g.others = q.Int(0);
    g.ours = sqlite3_total_changes64(db());
    return g;
}

LONG Session::Begin() {
    int rc = RunStatement(Get(Sql::Begin));
    if (rc != SQLITE_OK) return ErrorFromSqlite(rc);
    in_transaction_ = true;
    return ERROR_SUCCESS;
}

LONG Session::Commit() {
    int rc = RunStatement(Get(Sql::CommitTx));
    if (rc != SQLITE_OK) return ErrorFromSqlite(rc);  // the destructor rolls back
    in_transaction_ = false;
    return ERROR_SUCCESS;
}

std::string FoldName(std::wstring_view name) {
    // C.UTF-8 gives the full simple upper-case mapping whatever locale the process has set.
    static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::wstring upper(name);
    for (wchar_t& ch : upper) {
        if (ch < 0x80) {
            if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - 32);
        } else if (utf8) {
            ch = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(ch), utf8));
        }
    }
    return ToUtf8(upper);
}

LONG ErrorFromSqlite(int rc) { return static_cast<LONG>(StoreError(rc)); }

std::int64_t FileTimeNow() {
    constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000LL;
    return NowUnixMs() * 10000 + kUnixEpochAsFileTime;
}

}  // namespace winport::detail::reg
