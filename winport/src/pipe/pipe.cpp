// POSIX emulation of anonymous pipes (CreatePipe, PeekNamedPipe; the ends are read and written
// by the file family's ReadFile and WriteFile) and DuplicateHandle within the process. No
// library logic here.
#include <winport/errors.h>
#include <winport/process.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/descriptor.h"
#include "pipe/pipe_read.h"
#include "core/unsupported.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

namespace winport::detail {
namespace {


// Windows gives an anonymous pipe a 4 KB buffer; Linux gives 64 KB. A larger buffer lets a
// reader that polls between sleeps leave the writer running longer, so an nSize of 0 asks for
// 1 MB (the unprivileged limit); a refused size keeps the system's default. Once the reader
// peeks, the pump (pipe_pump.h) adds its memory to that.
constexpr int kDefaultPipeBytes = 1 << 20;

std::string HandleText(const void* h) { return std::to_string(reinterpret_cast<std::uintptr_t>(h)); }

// The pump of a pipe end, started on first use when `start` is set; null when there is none
// (a write end, a pipe not yet peeked at, or a pump that could not be started).
PipePump* PumpOf(PipeObject& pipe, bool start) {
    std::lock_guard<std::mutex> lock(pipe.mutex);
    if (!pipe.pump && start && pipe.can_read) {
        try {
            pipe.pump = std::make_unique<PipePump>(pipe.fd);
        } catch (const std::exception&) {
            // Without a thread the pipe keeps the system's buffer alone: slower, still correct.
        }
    }
    return pipe.pump.get();
}

}  // namespace

BOOL ReadPipe(DescriptorObject& object, void* buffer, DWORD size, DWORD* read) {
    *read = 0;
    if (size == 0) return TRUE;
    auto* pipe = dynamic_cast<PipeObject*>(&object);
    if (PipePump* pump = pipe != nullptr ? PumpOf(*pipe, false) : nullptr) {
        std::size_t got = 0;
        DWORD error = 0;
        if (!pump->Read(buffer, size, &got, &error)) {
            SetLastError(error);
            return FALSE;
        }
        *read = static_cast<DWORD>(got);
        return TRUE;
    }
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
    std::size_t copied = 0;
    std::size_t waiting = 0;
    if (PipePump* pump = PumpOf(*pipe, true)) {
        DWORD error = 0;
        if (!pump->Peek(buffer, buffer != nullptr ? buffer_size : 0, &copied, &waiting, &error)) {
            SetLastError(error);
            return FALSE;
        }
    } else {
        // No pump: count what the system pipe holds; looking into it would take it.
        int in_system = 0;
        if (::ioctl(pipe->fd, FIONREAD, &in_system) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        waiting = static_cast<std::size_t>(in_system);
        pollfd p{pipe->fd, POLLIN, 0};
        if (waiting == 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP)) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
    }
    if (bytes_read) *bytes_read = static_cast<DWORD>(copied);
    if (total_available) *total_available = static_cast<DWORD>(std::min<std::size_t>(waiting, 0xFFFFFFFFu));
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
