// POSIX emulation of the service database lock: one holder on the machine at a time, kept in
// the store so that every process sees it, and given up when its holder ends. No library logic.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "scm/scm_store.h"

#include <atomic>
#include <chrono>
#include <unistd.h>

using namespace winport::detail;
using namespace winport::detail::scm;

namespace {

// The lock a handle stands for: which taking of the lock it was, so that an old handle cannot
// release a lock taken again since.
struct LockObject : KernelObject {
    explicit LockObject(std::int64_t s) : KernelObject(HandleKind::Other), serial(s) {}
    const std::int64_t serial;
};

std::int64_t NewSerial() {
    static std::atomic<std::int64_t> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return (static_cast<std::int64_t>(::getpid()) << 32) ^ now ^ ++counter;
}

}  // namespace

extern "C" SC_LOCK WINAPI LockServiceDatabase(SC_HANDLE hSCManager) {
    LogCall("LockServiceDatabase", [] { return std::string(); });
    if (FaultPoint("LockServiceDatabase")) return nullptr;
    if (!Granted<ManagerObject>(hSCManager, HandleKind::ServiceManager, SC_MANAGER_LOCK)) return nullptr;
    Session session;
    if (session.store == nullptr) return nullptr;
    Transaction transaction(*session.store);
    if (!transaction.ok()) return nullptr;
    {
        // A holder that has ended (a zombie too) or whose pid a new process has taken holds nothing.
        Statement holder(*session.store, "SELECT pid, started FROM scm_lock WHERE id = 1");
        if (holder.Step() && ProcessAlive(holder.Int(0), holder.Int(1))) {
            SetLastError(ERROR_SERVICE_DATABASE_LOCKED);
            return nullptr;
        }
    }
    const std::int64_t serial = NewSerial();
    Statement take(*session.store, "INSERT OR REPLACE INTO scm_lock (id, pid, started, serial) VALUES (1, ?, ?, ?)");
    take.Bind(1, static_cast<std::int64_t>(::getpid())).Bind(2, OwnStartTime()).Bind(3, serial);
    if (!take.Done()) {
        SetLastError(StoreError(take.last_result()));
        return nullptr;
    }
    if (!transaction.Commit()) return nullptr;
    return RegisterHandle(std::make_shared<LockObject>(serial));
}

extern "C" BOOL WINAPI UnlockServiceDatabase(SC_LOCK ScLock) {
    LogCall("UnlockServiceDatabase", [] { return std::string(); });
    // The lock goes even when a fault is injected: releasing a lock one holds cannot fail
    // half-way on Windows, so an injected failure only tests that callers survive the result.
    const bool fault = FaultPoint("UnlockServiceDatabase");
    const DWORD fault_error = fault ? GetLastError() : 0;
    auto object = LookupAnyHandle(ScLock);
    auto lock = object && object->kind == HandleKind::Other ? std::dynamic_pointer_cast<LockObject>(object) : nullptr;
    if (!lock) {
        SetLastError(ERROR_INVALID_SERVICE_LOCK);
        return FALSE;
    }
    Session session;
    if (session.store == nullptr) return FALSE;
    Statement release(*session.store, "DELETE FROM scm_lock WHERE id = 1 AND pid = ? AND serial = ?");
    release.Bind(1, static_cast<std::int64_t>(::getpid())).Bind(2, lock->serial);
    if (!release.Done()) {
        SetLastError(StoreError(release.last_result()));
        return FALSE;
    }
    lock.reset();
    object.reset();
    ReleaseHandle(ScLock);
    if (fault) {
        SetLastError(fault_error);
        return FALSE;
    }
    return TRUE;
}
