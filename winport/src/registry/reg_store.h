// The registry's tables in system.db and the prepared statements that work on them.
// Every registry call holds one Session: the process-wide registry lock (one SQLite connection
// is shared by all threads, so its statements and transactions must not interleave) and the
// statement cache of the current connection.
#pragma once

#include <winport/types.h>

#include <sqlite3.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace winport::detail::reg {

// Every statement the registry runs, prepared once per connection.
enum class Sql {
    FindChild,        // (parent, folded) -> id, deny
    InsertKey,        // (parent, name, folded, written)
    TouchKey,         // (written, id)
    DeleteKey,        // (id)
    KeyExists,        // (id) -> deny, written, parent
    HasChildren,      // (id)
    SetDeny,          // (deny, id)
    ChildAfter,       // (parent, folded cursor) -> name, folded, written
    ChildAtOffset,    // (parent, offset) -> name, folded, written
    KeyInfo,          // (id) -> subkeys, longest name, written
    ValueInfo,        // (id) -> values, longest name, longest data
    QueryValue,       // (key, folded) -> type, data
    UpsertValue,      // (key, name, folded, type, data)
    DeleteValue,      // (key, folded)
    ValueAfter,       // (key, id cursor) -> id, name, type, data
    ValueAtOffset,    // (key, offset) -> id, name, type, data
    DataVersion,      // PRAGMA data_version
    Begin,            // BEGIN IMMEDIATE
    CommitTx,         // COMMIT
    Rollback,         // ROLLBACK
    Count_
};

// A cached statement in use: bound by the caller, reset (and unbound) when it goes out of scope.
class Query {
public:
    explicit Query(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~Query() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Bind(int index, std::int64_t value) {
        sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    // Text that lives until the statement is reset (no copy is made).
    Query& Bind(int index, std::string_view text) {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
        return *this;
    }
    Query& BindBlob(int index, const void* data, std::size_t size) {
        static const char empty = 0;  // an empty value is an empty blob, never NULL
        sqlite3_bind_blob(stmt_, index, size ? data : &empty, static_cast<int>(size), SQLITE_STATIC);
        return *this;
    }
    // true while a row is there; Result() tells a clean end (SQLITE_DONE) from a failure.
    bool Step() {
        rc_ = sqlite3_step(stmt_);
        return rc_ == SQLITE_ROW;
    }
    int Result() const { return rc_; }
    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string_view Text(int column) const {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                 : std::string_view();
    }
    std::string_view Blob(int column) const {
        const char* p = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
        return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                 : std::string_view();
    }

private:
    sqlite3_stmt* stmt_;
    int rc_ = SQLITE_OK;
};

// Identifies the state of the store as this connection sees it: changes when this connection
// or any other process commits. Caches kept in key handles are valid while it stays equal.
struct Generation {
    std::uint64_t connection = 0;
    std::int64_t others = -1;
    std::int64_t ours = -1;
    bool operator==(const Generation& o) const {
        return connection == o.connection && others == o.others && ours == o.ours;
    }
};

class Session {
public:
    Session();  // takes the registry lock and readies the store
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // 0 when the store is usable, else the Windows error to return.
    LONG error() const { return error_; }
    sqlite3_stmt* Get(Sql which) const;
    sqlite3* db() const;
    // Changes whenever the store is opened anew (a reset); caches tied to one connection check it.
    std::uint64_t connection() const;
    Generation Now() const;

    // BEGIN IMMEDIATE ... COMMIT around one mutating call; rolled back unless committed.
    LONG Begin();
    LONG Commit();
    ~Session();

private:
    std::unique_lock<std::recursive_mutex> lock_;
    LONG error_ = 0;
    bool in_transaction_ = false;
};

// Windows compares registry names by their upper-case form; the fold is locale-independent so
// that every process orders and matches names alike.
std::string FoldName(std::wstring_view name);

// The Windows error for an SQLite failure of a registry statement.
LONG ErrorFromSqlite(int rc);

// 100-ns intervals since 1601, the key's last write time.
std::int64_t FileTimeNow();

}  // namespace winport::detail::reg
