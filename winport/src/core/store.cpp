// system.db: one SQLite connection per process, WAL mode with a busy timeout, so the host,
// cw32 and child processes share the system state safely.
#include "core/store.h"

#include <winport/errors.h>

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/stat.h>

namespace winport::detail {
namespace {

std::mutex g_store_mutex;
Store* g_store = nullptr;

// mkdir -p; existing folders are fine.
bool MakeDirectories(const std::string& path) {
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            std::string part = path.substr(0, pos);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

}  // namespace

Store* Store::Get() {
    std::lock_guard<std::mutex> lock(g_store_mutex);
    if (g_store) return g_store;
    std::string dir = StateDirectory();
    if (!MakeDirectories(dir)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    sqlite3* db = nullptr;
    std::string path = dir + "/system.db";
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        SetLastError(ERROR_CANTOPEN);
        return nullptr;
    }
    // The accounts' NT hashes live here: only the owner may read it (the WAL and shared-memory
    // files SQLite makes next take the database's mode).
    ::chmod(path.c_str(), 0600);
    // A writer in another process holds the lock for one short transaction; wait for it.
    sqlite3_busy_timeout(db, 10000);
    // WAL survives a killed writer (its transaction is simply not there), and readers never
    // block the writer. Durability: synchronous=NORMAL. A commit has been written to the WAL
    // file before the call returns, so every change that returned survives a crash or kill of
    // the process (the kernel holds the pages). Only at checkpoints is the WAL flushed to disk:
    // a power loss or OS crash may lose the transactions committed since the last one, but never
    // leaves the database corrupt or a transaction half-applied. FULL would flush on every
    // commit, a disk flush per registry write; an installer host killed half-way is the case to
    // survive, and NORMAL does.
    // Pages of 1 KB instead of 4: a registry write changes a row of a few dozen bytes, and the
    // WAL holds, and a checkpoint syncs, the whole page of every row changed. Only a new
    // database takes the size; an existing one keeps its own.
    // Checkpoints every 10,000 WAL pages (10 MB) rather than SQLite's 1,000: registry writes
    // change the same few pages again and again, so fewer checkpoints copy far fewer pages and
    // flush the disk less often. The WAL is cut back to 4 MB after each checkpoint.
    // Deleted rows are overwritten where that costs no extra write (FAST), instead of also
    // rewriting the pages the deletion frees: a deleted key costs a few page writes fewer, and
    // the file stays readable by its owner only.
    if (!Exec(db, "PRAGMA page_size=1024;") || !Exec(db, "PRAGMA journal_mode=WAL;") ||
        !Exec(db, "PRAGMA synchronous=NORMAL;") || !Exec(db, "PRAGMA wal_autocheckpoint=10000;") ||
        !Exec(db, "PRAGMA journal_size_limit=4194304;") || !Exec(db, "PRAGMA foreign_keys=ON;") ||
        !Exec(db, "PRAGMA secure_delete=FAST;")) {
        sqlite3_close(db);
        SetLastError(ERROR_CANTOPEN);
        return nullptr;
    }
    g_store = new Store(db);
    return g_store;
}

void Store::Reset() {
    std::lock_guard<std::mutex> lock(g_store_mutex);
    delete g_store;
    g_store = nullptr;
}

Store::~Store() { sqlite3_close_v2(db_); }

bool Store::EnsureSchema(const char* family, const char* sql) {
    std::string tag = std::string("|") + family + "|";
    if (schemas_done_.find(tag) != std::string::npos) return true;
    if (!Exec(db_, sql)) {
        SetLastError(ERROR_CANTOPEN);
        return false;
    }
    schemas_done_ += tag;
    return true;
}

Statement::Statement(Store& store, const char* sql) {
    rc_ = sqlite3_prepare_v2(store.db(), sql, -1, &stmt_, nullptr);
    if (rc_ != SQLITE_OK) stmt_ = nullptr;
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, std::int64_t value) {
    if (stmt_) sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    if (stmt_) sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindBlob(int index, const void* data, std::size_t size) {
    // A zero-length blob must still be a blob, not NULL: an empty REG_BINARY value exists.
    static const char empty = 0;
    if (stmt_) sqlite3_bind_blob(stmt_, index, size ? data : &empty, static_cast<int>(size), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindNull(int index) {
    if (stmt_) sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::Step() {
    if (!stmt_) return false;
    rc_ = sqlite3_step(stmt_);
    return rc_ == SQLITE_ROW;
}

bool Statement::Done() {
    if (!stmt_) return false;
    rc_ = sqlite3_step(stmt_);
    return rc_ == SQLITE_DONE;
}

void Statement::Reset() {
    if (stmt_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(stmt_, column)) : std::string();
}

std::string Statement::Blob(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    return p ? std::string(static_cast<const char*>(p), sqlite3_column_bytes(stmt_, column)) : std::string();
}

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

Transaction::Transaction(Store& store) : store_(store) {
    began_ = Exec(store_.db(), "BEGIN IMMEDIATE;");
    if (!began_) SetLastError(ERROR_BUSY);
}

Transaction::~Transaction() {
    if (began_ && !done_) Exec(store_.db(), "ROLLBACK;");
}

bool Transaction::Commit() {
    if (!began_ || done_) return false;
    done_ = Exec(store_.db(), "COMMIT;");
    if (!done_) SetLastError(ERROR_CANTWRITE);
    return done_;
}

std::string StateDirectory() {
    if (const char* root = std::getenv("WINPORT_ROOT"); root && *root) return root;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) return std::string(state) + "/winport";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/winport";
}

DWORD StoreError(int rc) {
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return ERROR_BUSY;
        case SQLITE_FULL: return ERROR_DISK_FULL;
        case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_READONLY:
        case SQLITE_PERM: return ERROR_ACCESS_DENIED;
        default: return ERROR_CANTWRITE;
    }
}

}  // namespace winport::detail
