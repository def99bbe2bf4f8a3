// POSIX emulation of anonymous pipes: CreatePipe, PeekNamedPipe, reading and writing pipe ends,
// and DuplicateHandle within the process. No library logic here.
#include <winport/errors.h>
#include <winport/process.h>

#include "core/calllog.h"
#include "core/descriptor.h"
#include "core/fault.h"
#include "core/pipe_io.h"
#include "unsupported.h"

#include <cerrno>
#include <climits>
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
// 1 MB (the unprivileged limit), falling back silently to what the system grants.
constexpr int kDefaultPipeBytes = 1 << 20;

DWORD ErrorFromErrno(int err) {
    switch (err) {
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EPIPE: return ERROR_NO_DATA;  // writing to a pipe whose reader is gone
        case EBADF: return ERROR_INVALID_HANDLE;
        default: return ERROR_GEN_FAILURE;
    }
}

std::shared_ptr<DescriptorObject> LookupPipe(const void* handle) {
    return LookupHandleAs<DescriptorObject>(handle, HandleKind::Pipe);
}

std::string HandleText(const void* h) { return std::to_string(reinterpret_cast<std::uintptr_t>(h)); }

}  // namespace

int DescriptorOf(const void* handle) {
    auto object = LookupAnyHandle(handle);
    auto* d = dynamic_cast<DescriptorObject*>(object.get());
    return d ? d->fd : -1;
}

bool IsPipeHandle(const void* handle) {
    auto object = LookupAnyHandle(handle);
    return object && object->kind == HandleKind::Pipe;
}

BOOL ReadPipe(void* handle, void* buffer, DWORD size, DWORD* read) {
    if (read) *read = 0;
    auto pipe = LookupPipe(handle);
    if (!pipe) return FALSE;
    if (size == 0) return TRUE;
    ssize_t n;
    do {
        n = ::read(pipe->fd, buffer, size > INT_MAX ? INT_MAX : size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        // A write end handed to DuplicateHandle's caller as a reader, for instance.
        SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
        return FALSE;
    }
    if (n == 0) {
        SetLastError(ERROR_BROKEN_PIPE);
        return FALSE;
    }
    if (read) *read = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WritePipe(void* handle, const void* buffer, DWORD size, DWORD* written) {
    if (written) *written = 0;
    auto pipe = LookupPipe(handle);
    if (!pipe) return FALSE;
    const char* p = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < size) {
        ssize_t n = ::write(pipe->fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
            if (written) *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
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
    // A refused size keeps the system's default: the pipe works either way.
    (void)::fcntl(fds[1], F_SETPIPE_SZ, wanted);
    const bool inherit = attributes != nullptr && attributes->bInheritHandle;
    *read_end = RegisterHandle(std::make_shared<DescriptorObject>(HandleKind::Pipe, fds[0]), inherit);
    *write_end = RegisterHandle(std::make_shared<DescriptorObject>(HandleKind::Pipe, fds[1]), inherit);
    return TRUE;
}

extern "C" BOOL WINAPI PeekNamedPipe(HANDLE handle, LPVOID buffer, DWORD buffer_size, LPDWORD bytes_read,
                                     LPDWORD total_available, LPDWORD left_this_message) {
    if (FaultPoint("PeekNamedPipe")) return FALSE;
    auto pipe = LookupPipe(handle);
    if (!pipe) return FALSE;
    int available = 0;
    if (::ioctl(pipe->fd, FIONREAD, &available) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    if (available == 0) {
        // Empty: tell a live pipe from one whose writers have all closed.
        pollfd p{pipe->fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP)) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
    }
    DWORD copied = 0;
    if (buffer != nullptr && buffer_size > 0 && available > 0) {
        // MSG_PEEK works on sockets only: for a pipe, looking without taking is not possible.
        ReportUnsupported("PeekNamedPipe", "copying the waiting bytes (pass no buffer)");
        return FALSE;
    }
    if (bytes_read) *bytes_read = copied;
    if (total_available) *total_available = static_cast<DWORD>(available);
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
