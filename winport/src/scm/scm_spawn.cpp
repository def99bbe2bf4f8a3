// Starting a service process: a double fork, so that the process belongs to no one (its parent
// becomes init, which reaps it), and a session of its own. No library logic here.
#include "scm/scm_spawn.h"

#include <winport/errors.h>

#include "core/errno_errors.h"
#include "core/text.h"
#include "process/command_line.h"
#include "scm/scm_runtime.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace winport::detail::scm {
namespace {

// Only async-signal-safe calls from here on: the caller may have other threads.
[[noreturn]] void RunProgram(const char* program, char* const* argv, char* const* envp, int report) {
    ::setsid();  // a session and process group of its own, led by the service process
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) ::signal(sig, SIG_DFL);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
        if (null > 2) ::close(null);
    }
    // Everything else goes, but the report pipe, which closes itself when the program runs.
    if (report > 3) ::close_range(3, static_cast<unsigned>(report - 1), 0);
    ::close_range(static_cast<unsigned>(report + 1), ~0U, 0);
    if (::chdir("/") != 0) {
        // the program still runs, in whatever folder it was given
    }
    ::execve(program, argv, envp);
    const int error = errno;
    if (::write(report, &error, sizeof(error)) < 0) {
        // nothing more can be told
    }
    ::_exit(127);
}

}  // namespace

std::int64_t SpawnServiceProcess(const std::wstring& command_line, const std::wstring& service, DWORD* error) {
    std::string program;
    *error = ERROR_FILE_NOT_FOUND;
    for (const std::wstring& candidate : ProgramCandidates(command_line)) {
        program = FindProgram(candidate, error);
        if (!program.empty()) break;
    }
    if (program.empty()) return 0;

    std::vector<std::string> args;
    for (const std::wstring& arg : SplitCommandLine(command_line)) args.push_back(ToUtf8(arg));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string name_entry = std::string(kServiceNameVariable) + "=" + ToUtf8(service);
    std::vector<char*> envp;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, name_entry.c_str(), std::strlen(kServiceNameVariable) + 1) != 0)
            envp.push_back(*entry);
    envp.push_back(const_cast<char*>(name_entry.c_str()));
    envp.push_back(nullptr);

    // The middle process tells the service's pid through `ids`; the service tells through
    // `report` why its program did not run (the pipe closes unread when it did).
    int ids[2], report[2];
    if (::pipe2(ids, O_CLOEXEC) != 0) {
        *error = ErrorFromErrno(errno);
        return 0;
    }
    if (::pipe2(report, O_CLOEXEC) != 0) {
        *error = ErrorFromErrno(errno);
        ::close(ids[0]);
        ::close(ids[1]);
        return 0;
    }
    const pid_t middle = ::fork();
    if (middle == 0) {
        const pid_t child = ::fork();
        if (child == 0) RunProgram(program.c_str(), argv.data(), envp.data(), report[1]);
        const std::int64_t told = child;
        ::_exit(::write(ids[1], &told, sizeof(told)) == sizeof(told) ? 0 : 1);
    }
    ::close(ids[1]);
    ::close(report[1]);
    std::int64_t pid = 0;
    if (middle > 0) {
        if (::read(ids[0], &pid, sizeof(pid)) != sizeof(pid)) pid = 0;
        while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    int exec_error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &exec_error, sizeof(exec_error));
    } while (got < 0 && errno == EINTR);
    ::close(ids[0]);
    ::close(report[0]);
    if (middle < 0 || pid <= 0) {
        *error = ErrorFromErrno(middle < 0 ? errno : EAGAIN);
        return 0;
    }
    if (got == sizeof(exec_error)) {
        *error = exec_error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : ErrorFromErrno(exec_error);
        return 0;
    }
    return pid;
}

}  // namespace winport::detail::scm
