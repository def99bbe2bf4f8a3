// POSIX emulation of CreateProcessW, GetExitCodeProcess, TerminateProcess and
// WaitForSingleObject on processes. No library logic here.
#include <winport/errors.h>
#include <winport/kernel.h>
#include <winport/process.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "core/descriptor.h"
#include "process/command_line.h"
#include "core/unsupported.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace winport::detail {
namespace {


// Children whose last handle was closed while they ran; reaped whenever winport next looks, so
// none stays a zombie for long.
std::mutex g_orphans_mutex;
std::vector<pid_t>& Orphans() {
    static auto* v = new std::vector<pid_t>;
    return *v;
}

void ReapOrphans() {
    std::lock_guard<std::mutex> lock(g_orphans_mutex);
    auto& list = Orphans();
    for (std::size_t i = 0; i < list.size();) {
        pid_t r = ::waitpid(list[i], nullptr, WNOHANG);
        if (r == list[i] || (r < 0 && errno == ECHILD)) {
            list[i] = list.back();
            list.pop_back();
        } else {
            ++i;
        }
    }
}

struct ProcessObject : KernelObject {
    explicit ProcessObject(pid_t p) : KernelObject(HandleKind::Process), pid(p) {}
    ~ProcessObject() override {
        if (!ended) {
            std::lock_guard<std::mutex> lock(g_orphans_mutex);
            Orphans().push_back(pid);
        }
    }

    // Collects the child's status if it has ended; with `block`, waits for it.
    void Poll(bool block) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (ended) return;
        }
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        } while (r < 0 && errno == EINTR);
        std::lock_guard<std::mutex> lock(mutex);
        if (ended || r == 0) return;
        ended = true;
        if (r < 0) {
            // Reaped elsewhere (another wait on a duplicate handle got there first, or SIGCHLD
            // is ignored): the status is lost. Reported as "ended by signal 0".
            exit_code = WINPORT_SIGNAL_EXIT_BASE;
        } else if (WIFEXITED(status)) {
            exit_code = static_cast<DWORD>(WEXITSTATUS(status));
        } else if (terminated && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
            exit_code = terminate_code;
        } else {
            exit_code = WINPORT_SIGNAL_EXIT_BASE + static_cast<DWORD>(WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        }
    }

    const pid_t pid;
    std::mutex mutex;
    bool ended = false;
    DWORD exit_code = STILL_ACTIVE;
    bool terminated = false;
    DWORD terminate_code = 0;
};

// The child's one thread; waiting on it waits for the process.
struct ThreadObject : KernelObject {
    explicit ThreadObject(std::shared_ptr<ProcessObject> p) : KernelObject(HandleKind::Thread), process(std::move(p)) {}
    std::shared_ptr<ProcessObject> process;
};

std::shared_ptr<ProcessObject> LookupWaitable(const void* handle) {
    auto object = LookupAnyHandle(handle);
    if (!object) return nullptr;
    if (object->kind == HandleKind::Process) return std::static_pointer_cast<ProcessObject>(object);
    if (object->kind == HandleKind::Thread) return std::static_pointer_cast<ThreadObject>(object)->process;
    ReportUnsupported("WaitForSingleObject", "waiting on this kind of object");
    return nullptr;
}

// Owns the spawn records so every path out of CreateProcessW releases them.
struct SpawnRecords {
    SpawnRecords() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnRecords() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnRecords(const SpawnRecords&) = delete;
    SpawnRecords& operator=(const SpawnRecords&) = delete;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// Standard handle `handle` becomes descriptor `target` of the child: only an inheritable
// handle reaches it; anything else leaves the child reading and writing /dev/null.
bool PlanStandardHandle(SpawnRecords& spawn, HANDLE handle, int target, bool inherit_handles) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && inherit_handles && IsInheritable(handle)) {
        auto object = LookupDescriptor(handle);
        if (!object) {
            ReportUnsupported("CreateProcessW", "a standard handle that is neither a file nor a pipe");
            return false;
        }
        // The child's copy of the descriptor keeps the pipe or file open after this object has
        // gone: the dup2 happens in the child, before this function returns.
        ::posix_spawn_file_actions_adddup2(&spawn.actions, object->fd, target);
    } else {
        ::posix_spawn_file_actions_addopen(&spawn.actions, target, "/dev/null", O_RDWR, 0);
    }
    return true;
}

}  // namespace
}  // namespace winport::detail

using namespace winport::detail;

extern "C" BOOL WINAPI CreateProcessW(LPCWSTR application, LPWSTR command_line, LPSECURITY_ATTRIBUTES process_attributes,
                                      LPSECURITY_ATTRIBUTES /*thread_attributes*/, BOOL inherit_handles, DWORD flags,
                                      LPVOID environment, LPCWSTR current_directory, LPSTARTUPINFOW startup,
                                      LPPROCESS_INFORMATION info) {
    LogCall("CreateProcessW", [&] {
        return "inherit=" + std::to_string(inherit_handles) + " flags=" + std::to_string(flags) +
               " startflags=" + std::to_string(startup ? startup->dwFlags : 0) +
               " show=" + std::to_string(startup ? startup->wShowWindow : 0) +
               " cwd=" + (current_directory ? ToUtf8(current_directory) : std::string("(null)")) +
               " line=" + (command_line ? ToUtf8(command_line) : std::string("(null)"));
    });
    if (FaultPoint("CreateProcessW")) return FALSE;
    ReapOrphans();
    if (startup == nullptr || info == nullptr || (command_line == nullptr && application == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (environment != nullptr || (flags & ~(CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT)) != 0) {
        // Only the caller's own environment; no console, job or debugging flags.
        ReportUnsupported("CreateProcessW", environment ? std::string("an environment block")
                                                        : "creation flags " + std::to_string(flags));
        return FALSE;
    }

    const std::wstring line = command_line ? command_line : application;
    std::vector<std::wstring> args = SplitCommandLine(line);
    DWORD error = ERROR_FILE_NOT_FOUND;
    std::string program;
    if (application != nullptr) {
        program = FindProgram(application, &error);
    } else {
        for (const std::wstring& candidate : ProgramCandidates(line)) {
            program = FindProgram(candidate, &error);
            if (!program.empty()) break;
        }
    }
    if (program.empty()) {
        SetLastError(error);
        return FALSE;
    }

    std::string directory;
    if (current_directory != nullptr) {
        directory = ToPosixPath(current_directory);
        struct stat st {};
        if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }

    SpawnRecords spawn;
    if (startup->dwFlags & STARTF_USESTDHANDLES) {
        if (!PlanStandardHandle(spawn, startup->hStdInput, 0, inherit_handles) ||
            !PlanStandardHandle(spawn, startup->hStdOutput, 1, inherit_handles) ||
            !PlanStandardHandle(spawn, startup->hStdError, 2, inherit_handles))
            return FALSE;
    }
    if (!directory.empty()) ::posix_spawn_file_actions_addchdir_np(&spawn.actions, directory.c_str());
    // The child starts with no blocked signals, as a new Windows process would.
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&spawn.attributes, &none);
    ::posix_spawnattr_setflags(&spawn.attributes, POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> utf8;
    utf8.reserve(args.size());
    for (const std::wstring& a : args) utf8.push_back(ToUtf8(a));
    std::vector<char*> argv;
    for (std::string& a : utf8) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, program.c_str(), &spawn.actions, &spawn.attributes, argv.data(), environ);
    if (rc != 0) {
        SetLastError(ErrorFromErrno(rc));
        return FALSE;
    }
    auto process = std::make_shared<ProcessObject>(pid);
    info->hProcess = RegisterHandle(process, process_attributes && process_attributes->bInheritHandle);
    info->hThread = RegisterHandle(std::make_shared<ThreadObject>(process));
    info->dwProcessId = static_cast<DWORD>(pid);
    info->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

extern "C" BOOL WINAPI GetExitCodeProcess(HANDLE handle, LPDWORD exit_code) {
    if (FaultPoint("GetExitCodeProcess")) return FALSE;
    auto process = LookupHandleAs<ProcessObject>(handle, HandleKind::Process);
    if (!process) return FALSE;
    if (exit_code == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    process->Poll(false);
    std::lock_guard<std::mutex> lock(process->mutex);
    *exit_code = process->exit_code;
    return TRUE;
}

extern "C" BOOL WINAPI TerminateProcess(HANDLE handle, UINT exit_code) {
    if (FaultPoint("TerminateProcess")) return FALSE;
    auto process = LookupHandleAs<ProcessObject>(handle, HandleKind::Process);
    if (!process) return FALSE;
    {
        std::lock_guard<std::mutex> lock(process->mutex);
        if (process->ended) {
            SetLastError(ERROR_ACCESS_DENIED);  // what Windows says for a process that has ended
            return FALSE;
        }
        process->terminated = true;
        process->terminate_code = exit_code;
    }
    ::kill(process->pid, SIGKILL);
    return TRUE;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (FaultPoint("WaitForSingleObject")) return WAIT_FAILED;
    auto process = LookupWaitable(handle);
    if (!process) return WAIT_FAILED;
    if (milliseconds == INFINITE) {
        process->Poll(true);
        return WAIT_OBJECT_0;
    }
    // A timed wait polls in real time with a short back-off: the state of a child is not
    // something winport's virtual clock could advance.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        process->Poll(false);
        {
            std::lock_guard<std::mutex> lock(process->mutex);
            if (process->ended) return WAIT_OBJECT_0;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
}
