// system.db: the SQLite database in which winport keeps what Windows keeps in the system
// (registry, services, accounts, policy). One connection per process, opened on first use.
#pragma once

#include <winport/types.h>

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace winport::detail {

// The folder that holds system.db: $WINPORT_ROOT, else ${XDG_STATE_HOME:-$HOME/.local/state}/winport.
std::string StateDirectory();

class Store {
public:
    // The process's connection, opened (and the state directory created) on first use.
    // Returns null with the last error set when the database cannot be opened.
    static Store* Get();
    static void Reset();  // close; the next Get opens again

    // Runs a family's CREATE TABLE IF NOT EXISTS statements once per connection.
    bool EnsureSchema(const char* family, const char* sql);
    sqlite3* db() const { return db_; }

    ~Store();

private:
    explicit Store(sqlite3* db) : db_(db) {}
    sqlite3* db_;
    std::string schemas_done_;
};

// A prepared statement; finalised when it goes out of scope.
class Statement {
public:
    Statement(Store& store, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& BindBlob(int index, const void* data, std::size_t size);
    Statement& BindNull(int index);

    // Step: true while a row is available; Done: ran to completion without error.
    bool Step();
    bool Done();
    void Reset();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;
    bool IsNull(int column) const;

    int last_result() const { return rc_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = 0;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back unless Commit() is reached. Every mutating call of a
// family is one of these, so a writer killed half-way leaves the store as it was.
class Transaction {
public:
    explicit Transaction(Store& store);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool ok() const { return began_; }
    bool Commit();

private:
    Store& store_;
    bool began_ = false;
    bool done_ = false;
};

// Maps an SQLite failure to the Windows error a caller should see (busy: ERROR_BUSY,
// full: ERROR_DISK_FULL, otherwise ERROR_REGISTRY_CORRUPT-like ERROR_CANTWRITE).
DWORD StoreError(int sqlite_rc);

}  // namespace winport::detail
