// The services' tables and the rows that hold one service.
#include "scm/scm_store.h"
#include "scm/scm_runtime.h"

#include <winport/errors.h>

#include "core/text.h"

#include <atomic>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace winport::detail::scm {
namespace {

const char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS scm_service (
    folded TEXT PRIMARY KEY, name TEXT NOT NULL, display TEXT NOT NULL, display_folded TEXT NOT NULL,
    type INTEGER NOT NULL, start INTEGER NOT NULL, error INTEGER NOT NULL, binary TEXT NOT NULL,
    grp TEXT NOT NULL, dependencies BLOB NOT NULL, account TEXT NOT NULL, description TEXT NOT NULL,
    state INTEGER NOT NULL, accepted INTEGER NOT NULL, exit_code INTEGER NOT NULL, specific INTEGER NOT NULL,
    checkpoint INTEGER NOT NULL, wait_hint INTEGER NOT NULL, pid INTEGER NOT NULL, started INTEGER NOT NULL,
    control TEXT NOT NULL, arguments BLOB NOT NULL, delete_pending INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS scm_open (
    pid INTEGER NOT NULL, started INTEGER NOT NULL, folded TEXT NOT NULL, count INTEGER NOT NULL,
    PRIMARY KEY (pid, started, folded));
CREATE TABLE IF NOT EXISTS scm_lock (
    id INTEGER PRIMARY KEY CHECK (id = 1), pid INTEGER NOT NULL, started INTEGER NOT NULL, serial INTEGER NOT NULL);
)sql";

std::recursive_mutex& SessionMutex() {
    static auto* m = new std::recursive_mutex;
    return *m;
}

// Dependencies are kept as UTF-8 names, each ended by a NUL.
std::string PackNames(const std::vector<std::wstring>& names) {
    std::string packed;
    for (const std::wstring& name : names) packed += ToUtf8(name) + '\0';
    return packed;
}

std::vector<std::wstring> UnpackNames(const std::string& packed) {
    std::vector<std::wstring> names;
    for (std::size_t start = 0; start < packed.size();) {
        const std::size_t end = packed.find('\0', start);
        names.push_back(FromUtf8(packed.substr(start, end - start)));
        start = end == std::string::npos ? packed.size() : end + 1;
    }
    return names;
}

}  // namespace

Session::Session() : lock_(SessionMutex()) {
    Store* opened = Store::Get();
    if (opened != nullptr && opened->EnsureSchema("scm", kSchema)) store = opened;
}

std::wstring Folded(const std::wstring& name) { return FoldCase(name); }

namespace {

struct GenericMapping {
    DWORD read, write, execute, all;
};

DWORD MapGeneric(DWORD asked, const GenericMapping& map) {
    DWORD rights = asked & ~static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
    if (asked & GENERIC_READ) rights |= map.read;
    if (asked & GENERIC_WRITE) rights |= map.write;
    if (asked & GENERIC_EXECUTE) rights |= map.execute;
    if (asked & GENERIC_ALL) rights |= map.all;
    return rights;
}

}  // namespace

DWORD ManagerRights(DWORD asked) {
    static const GenericMapping map{
        STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS,
        STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG,
        STANDARD_RIGHTS_EXECUTE | SC_MANAGER_CONNECT | SC_MANAGER_LOCK, SC_MANAGER_ALL_ACCESS};
    return MapGeneric(asked, map) | SC_MANAGER_CONNECT;
}

DWORD ServiceRights(DWORD asked) {
    static const GenericMapping map{
        STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
            SERVICE_ENUMERATE_DEPENDENTS,
        STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG,
        STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_USER_DEFINED_CONTROL,
        SERVICE_ALL_ACCESS};
    return MapGeneric(asked, map);
}

std::int64_t ProcessStartTime(std::int64_t pid) {
    if (pid <= 0) return 0;
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line)) return 0;
    // The command name (field 2) may hold blanks and parentheses: the fields after it follow
    // the last ')'. Field 3 is the state, field 22 the start time.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(line.substr(close + 1));
    std::string state, field;
    fields >> state;
    for (int i = 4; i < 22 && (fields >> field); ++i) {
    }
    std::int64_t started = 0;
    if (state == "Z" || state == "X" || !(fields >> started)) return 0;
    return started;
}

std::int64_t OwnStartTime() {
    // Read once per process; a forked child that has not run a new program reads its own.
    static std::atomic<std::int64_t> pid{0}, started{0};
    if (pid.load() != ::getpid()) {
        started = ProcessStartTime(::getpid());
        pid = ::getpid();
    }
    return started;
}

bool ProcessAlive(std::int64_t pid, std::int64_t started) {
    if (pid <= 0) return false;
    const std::int64_t now = ProcessStartTime(pid);
    return now != 0 && (started == 0 || now == started);
}

std::optional<Service> Load(Store& store, const std::wstring& folded) {
    Statement q(store,
                "SELECT name, display, type, start, error, binary, grp, dependencies, account, description, state, "
                "accepted, exit_code, specific, checkpoint, wait_hint, pid, started, control, arguments, delete_pending "
                "FROM scm_service WHERE folded = ?");
    q.Bind(1, ToUtf8(folded));
    if (!q.Step()) return std::nullopt;
    Service s;
    s.name = FromUtf8(q.Text(0));
    s.display = FromUtf8(q.Text(1));
    s.type = static_cast<DWORD>(q.Int(2));
    s.start = static_cast<DWORD>(q.Int(3));
    s.error = static_cast<DWORD>(q.Int(4));
    s.binary = FromUtf8(q.Text(5));
    s.group = FromUtf8(q.Text(6));
    s.dependencies = UnpackNames(q.Blob(7));
    s.account = FromUtf8(q.Text(8));
    s.description = FromUtf8(q.Text(9));
    s.status.dwServiceType = s.type;
    s.status.dwCurrentState = static_cast<DWORD>(q.Int(10));
    s.status.dwControlsAccepted = static_cast<DWORD>(q.Int(11));
    s.status.dwWin32ExitCode = static_cast<DWORD>(q.Int(12));
    s.status.dwServiceSpecificExitCode = static_cast<DWORD>(q.Int(13));
    s.status.dwCheckPoint = static_cast<DWORD>(q.Int(14));
    s.status.dwWaitHint = static_cast<DWORD>(q.Int(15));
    s.pid = q.Int(16);
    s.started = q.Int(17);
    s.control = FromUtf8(q.Text(18));
    s.arguments = UnpackNames(q.Blob(19));
    s.delete_pending = q.Int(20) != 0;
    return s;
}

bool Save(Store& store, const std::wstring& folded, const Service& s) {
    Statement q(store,
                "INSERT OR REPLACE INTO scm_service (folded, name, display, display_folded, type, start, error, "
                "binary, grp, dependencies, account, description, state, accepted, exit_code, specific, checkpoint, "
                "wait_hint, pid, started, control, arguments, delete_pending) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const std::string packed = PackNames(s.dependencies), arguments = PackNames(s.arguments);
    q.Bind(1, ToUtf8(folded)).Bind(2, ToUtf8(s.name)).Bind(3, ToUtf8(s.display)).Bind(4, ToUtf8(Folded(s.display)));
    q.Bind(5, s.type).Bind(6, s.start).Bind(7, s.error).Bind(8, ToUtf8(s.binary)).Bind(9, ToUtf8(s.group));
    q.BindBlob(10, packed.data(), packed.size()).Bind(11, ToUtf8(s.account)).Bind(12, ToUtf8(s.description));
    q.Bind(13, s.status.dwCurrentState).Bind(14, s.status.dwControlsAccepted).Bind(15, s.status.dwWin32ExitCode);
    q.Bind(16, s.status.dwServiceSpecificExitCode).Bind(17, s.status.dwCheckPoint).Bind(18, s.status.dwWaitHint);
    q.Bind(19, s.pid).Bind(20, s.started).Bind(21, ToUtf8(s.control));
    q.BindBlob(22, arguments.data(), arguments.size()).Bind(23, s.delete_pending ? 1 : 0);
    if (!q.Done()) {
        SetLastError(StoreError(q.last_result()));
        return false;
    }
    return true;
}

bool Remove(Store& store, const std::wstring& folded) {
    Statement service(store, "DELETE FROM scm_service WHERE folded = ?");
    Statement handles(store, "DELETE FROM scm_open WHERE folded = ?");
    service.Bind(1, ToUtf8(folded));
    handles.Bind(1, ToUtf8(folded));
    return service.Done() && handles.Done();
}

std::vector<std::wstring> AllServices(Store& store) {
    Statement q(store, "SELECT folded FROM scm_service");
    std::vector<std::wstring> names;
    while (q.Step()) names.push_back(FromUtf8(q.Text(0)));
    return names;
}

bool LeadsBackTo(Store& store, const std::vector<std::wstring>& dependencies, const std::wstring& folded) {
    std::vector<std::wstring> pending;
    for (const std::wstring& name : dependencies) pending.push_back(Folded(name));
    std::set<std::wstring> seen;
    while (!pending.empty()) {
        const std::wstring next = std::move(pending.back());
        pending.pop_back();
        if (next == folded) return true;
        if (!seen.insert(next).second) continue;
        if (const std::optional<Service> service = Load(store, next))
            for (const std::wstring& name : service->dependencies) pending.push_back(Folded(name));
    }
    return false;
}

bool DisplayNameTaken(Store& store, const std::wstring& display, const std::wstring& except_folded) {
    Statement q(store, "SELECT 1 FROM scm_service WHERE (display_folded = ?1 OR folded = ?1) AND folded <> ?2");
    q.Bind(1, ToUtf8(Folded(display))).Bind(2, ToUtf8(except_folded));
    return q.Step();
}

bool CountHandle(Store& store, const std::wstring& folded, int delta) {
    Statement q(store,
                "INSERT INTO scm_open (pid, started, folded, count) VALUES (?1, ?2, ?3, ?4) "
                "ON CONFLICT (pid, started, folded) DO UPDATE SET count = count + ?4");
    q.Bind(1, static_cast<std::int64_t>(::getpid())).Bind(2, OwnStartTime()).Bind(3, ToUtf8(folded)).Bind(4, delta);
    Statement empty(store, "DELETE FROM scm_open WHERE count <= 0");
    return q.Done() && empty.Done();
}

std::int64_t LiveHandles(Store& store, const std::wstring& folded) {
    Statement q(store, "SELECT pid, started, count FROM scm_open WHERE folded = ?");
    q.Bind(1, ToUtf8(folded));
    std::int64_t live = 0;
    while (q.Step())
        if (ProcessAlive(q.Int(0), q.Int(1))) live += q.Int(2);
    return live;
}

ServiceObject::~ServiceObject() {
    Session session;
    if (session.store == nullptr) return;
    Transaction transaction(*session.store);
    if (!transaction.ok() || !CountHandle(*session.store, folded, -1)) return;
    // A service marked for deletion goes with the last handle on it, once it has stopped (or
    // its process has ended).
    std::optional<Service> service = Load(*session.store, folded);
    if (!Settle(*session.store, folded, service)) return;
    transaction.Commit();
}

}  // namespace winport::detail::scm
