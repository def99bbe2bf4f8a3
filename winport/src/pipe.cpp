// POSIX emulation of anonymous pipes (CreatePipe, PeekNamedPipe; the ends are read and written
// by the file family's ReadFile and WriteFile) and DuplicateHandle within the process. No
// library logic here.
#include <winport/errors.h>
#include <winport/process.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "descriptor.h"
#include "pipe_read.h"
#include "unsupported.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

namespace winport::detail {
namespace {

using testing::HandleKind;

// Windows gives an anonymous pipe a 4 KB buffer; Linux gives 64 KB. A larger buffer lets a
// reader that polls between sleeps leave the writer running longer, so an nSize of 0 asks for
// 1 MB (the unprivileged limit); a refused size keeps the system's default.
constexpr int kDefaultPipeBytes = 1 << 20;

// How much a peek takes from the system pipe at once. Reading ahead turns a poll-and-read loop
// of small reads (the redistributable runner reads 1 KB at a time) into one system call per
// 64 KB instead of one per read.
constexpr std::size_t kReadAheadBytes = 64 * 1024;

std::string HandleText(const void* h) { return std::to_string(reinterpret_cast<std::uintptr_t>(h)); }

}  // namespace

BOOL ReadPipe(DescriptorObject& object, void* buffer, DWORD size, DWORD* read) {
    *read = 0;
    if (size == 0) return TRUE;
    auto* pipe = dynamic_cast<PipeObject*>(&object);
    if (pipe != nullptr) {
        std::lock_guard<std::mutex> lock(pipe->mutex);
        if (pipe->Buffered() > 0) {
            const std::size_t n = std::min<std::size_t>(size, pipe->Buffered());
            std::memcpy(buffer, pipe->ahead.data() + pipe->next, n);
            pipe->next += n;
            *read = static_cast<DWORD>(n);
            return TRUE;
        }
    }
    // Nothing read ahead: wait for the system pipe, without the lock, so a peek from another
    // thread is not held up by this wait.
    ssize_t got;
    do {
        got = ::read(object.fd, buffer, std::min<std::size_t>(size, INT_MAX));
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    if (got == 0) {
        SetLastError(ERROR_BROKEN_PIPE);
        return FALSE;
    }
    if (pipe != nullptr) {
        std::lock_guard<std::mutex> lock(pipe->mutex);
        pipe->system_seen -= std::min(pipe->system_seen, static_cast<std::size_t>(got));
    }
    *read = static_cast<DWORD>(got);
    return TRUE;
}

}  // namespace winport::detail

using namespace winport::detail;

extern "C" HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

extern "C" DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(::getpid()); }

extern "C" BOOL WINAPI CreatePipe(PHANDLE read_end, PHANDLE write_end, LPSECURITY_ATTRIBUTES attributes,
                                  DWORD size) {
    LogCall("CreatePipe", [&] {
        return std::string("inherit=") + (attributes && attributes->bInheritHandle ? "1" : "0") +
               " size=" + std::to_string(size);
    });
    if (FaultPoint("CreatePipe")) return FALSE;
    if (read_end == nullptr || write_end == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    const int wanted = size == 0 ? kDefaultPipeBytes : static_cast<int>(size > INT_MAX ? INT_MAX : size);
    (void)::fcntl(fds[1], F_SETPIPE_SZ, wanted);
    const bool inherit = attributes != nullptr && attributes->bInheritHandle;
    *read_end = RegisterHandle(std::make_shared<PipeObject>(HandleKind::Pipe, fds[0], true, false), inherit);
    *write_end = RegisterHandle(std::make_shared<PipeObject>(HandleKind::Pipe, fds[1], false, true), inherit);
    return TRUE;
}

extern "C" BOOL WINAPI PeekNamedPipe(HANDLE handle, LPVOID buffer, DWORD buffer_size, LPDWORD bytes_read,
                                     LPDWORD total_available, LPDWORD left_this_message) {
    if (FaultPoint("PeekNamedPipe")) return FALSE;
    auto pipe = LookupHandleAs<PipeObject>(handle, HandleKind::Pipe);
    if (!pipe) return FALSE;
    std::lock_guard<std::mutex> lock(pipe->mutex);
    if (pipe->Buffered() + pipe->system_seen == 0) {
        // Everything counted before has been read: ask the system again.
        int in_system = 0;
        if (::ioctl(pipe->fd, FIONREAD, &in_system) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        pipe->system_seen = static_cast<std::size_t>(in_system);
    }
    if (pipe->Buffered() == 0 && pipe->system_seen > 0) {
        // Bytes the system holds can be read without waiting.
        pipe->ahead.resize(std::min(kReadAheadBytes, pipe->system_seen));
        pipe->next = 0;
        ssize_t got;
        do {
            got = ::read(pipe->fd, pipe->ahead.data(), pipe->ahead.size());
        } while (got < 0 && errno == EINTR);
        pipe->ahead.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        pipe->system_seen -= std::min(pipe->system_seen, pipe->ahead.size());
    }
    // The count can trail what arrived since the system pipe was last asked; it never counts
    // a byte that is not there.
    const std::size_t waiting = pipe->Buffered() + pipe->system_seen;
    if (waiting == 0) {
        // Empty: tell a live pipe from one whose writers have all closed.
        pollfd p{pipe->fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP)) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
    }
    // Looking without taking: copies come from the read-ahead, which holds the oldest bytes.
    const std::size_t copied = buffer != nullptr ? std::min<std::size_t>(buffer_size, pipe->Buffered()) : 0;
    if (copied > 0) std::memcpy(buffer, pipe->ahead.data() + pipe->next, copied);
    if (bytes_read) *bytes_read = static_cast<DWORD>(copied);
    if (total_available) *total_available = static_cast<DWORD>(waiting);
    if (left_this_message) *left_this_message = 0;  // byte mode: no messages
    return TRUE;
}

extern "C" BOOL WINAPI DuplicateHandle(HANDLE source_process, HANDLE source, HANDLE target_process, LPHANDLE target,
                                       DWORD access, BOOL inherit, DWORD options) {
    LogCall("DuplicateHandle", [&] {
        return "access=" + std::to_string(access) + " inherit=" + std::to_string(inherit) +
               " options=" + std::to_string(options) + " source=" + HandleText(source);
    });
    if (FaultPoint("DuplicateHandle")) return FALSE;
    if (source_process != GetCurrentProcess() || target_process != GetCurrentProcess() ||
        (options & ~(DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) != 0) {
        // Other processes' handle tables are out of reach.
        ReportUnsupported("DuplicateHandle", "another process or options " + std::to_string(options));
        return FALSE;
    }
    // Access rights are not modelled on winport's objects: the copy can do what the original can.
    auto object = LookupAnyHandle(source);
    if (!object) return FALSE;
    HANDLE copy = RegisterHandle(object, inherit != FALSE);
    if (target) {
        *target = copy;
    } else {
        ReleaseHandle(copy);  // Windows allows a null target with DUPLICATE_CLOSE_SOURCE only
    }
    if (options & DUPLICATE_CLOSE_SOURCE) ReleaseHandle(source);
    return TRUE;
}
