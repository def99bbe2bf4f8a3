// POSIX emulation of the operations on open files and pipe ends: ReadFile, WriteFile, the file
// pointer, file sizes, flushing and truncation. No library logic here.
#include <winport/errors.h>
#include <winport/file.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/descriptor.h"
#include "pipe/pipe_read.h"
#include "core/unsupported.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <string>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace winport::detail {
namespace {

constexpr std::size_t kMaxTransfer = 1u << 30;  // per read/write system call

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// While a thread writes to a pipe it keeps SIGPIPE blocked, so a reader that has gone away is an
// EPIPE error (ERROR_NO_DATA), as on Windows, rather than the end of the process.
class SigpipeBlock {
public:
    explicit SigpipeBlock(bool active) : active_(active) {
        if (!active_) return;
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    }
    ~SigpipeBlock() {
        if (!active_) return;
        if (broke_) {  // take the signal the failed write raised before unblocking
            const timespec no_wait = {0, 0};
            while (sigtimedwait(&pipe_, nullptr, &no_wait) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;
    void Broke() { broke_ = true; }

private:
    bool active_;
    bool broke_ = false;
    sigset_t pipe_;
    sigset_t previous_;
};

// Moves the file pointer as SetFilePointerEx does; positions beyond `limit` are refused with
// ERROR_INVALID_PARAMETER before anything moves.
bool MovePointer(const DescriptorObject& file, LONGLONG distance, DWORD method, LONGLONG limit, LONGLONG& position) {
    LONGLONG base = 0;
    if (method == FILE_CURRENT) {
        base = ::lseek(file.fd, 0, SEEK_CUR);
    } else if (method == FILE_END) {
        struct stat info;
        base = ::fstat(file.fd, &info) == 0 ? info.st_size : -1;
    } else if (method != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (base < 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    LONGLONG target = 0;
    if (__builtin_add_overflow(base, distance, &target) || target > limit) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    if (::lseek(file.fd, static_cast<off_t>(target), SEEK_SET) < 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    position = target;
    return true;
}

bool FileSize(const DescriptorObject& file, LONGLONG& size) {
    struct stat info;
    if (::fstat(file.fd, &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    size = info.st_size;
    return true;
}

}  // namespace
}  // namespace winport::detail

using namespace winport::detail;

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                                LPOVERLAPPED lpOverlapped) {
    LogCall("ReadFile", [&] { return "bytes=" + std::to_string(nNumberOfBytesToRead); });
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    if (FaultPoint("ReadFile")) return FALSE;
    if (lpOverlapped != nullptr) {
        ReportUnsupported("ReadFile", "overlapped reading");
        return FALSE;
    }
    if (lpNumberOfBytesRead == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    auto file = LookupDescriptor(hFile);
    if (!file) return FALSE;
    if (!file->can_read) return Fail(ERROR_ACCESS_DENIED);
    if (lpBuffer == nullptr && nNumberOfBytesToRead > 0) return Fail(ERROR_NOACCESS);

    // A pipe read returns what has arrived (read ahead by PeekNamedPipe first), and reports
    // the writer's end gone as ERROR_BROKEN_PIPE; the pipe family does it.
    if (file->kind == HandleKind::Pipe) return ReadPipe(*file, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead);
    // A file read fills the buffer up to the end of the file.
    char* to = static_cast<char*>(lpBuffer);
    DWORD total = 0;
    while (total < nNumberOfBytesToRead) {
        const std::size_t chunk = std::min<std::size_t>(nNumberOfBytesToRead - total, kMaxTransfer);
        const ssize_t got = ::read(file->fd, to + total, chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *lpNumberOfBytesRead = total;
            return Fail(errno == EIO ? ERROR_READ_FAULT : ErrorFromErrno(errno));
        }
        if (got == 0) break;
        total += static_cast<DWORD>(got);
    }
    *lpNumberOfBytesRead = total;
    return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    LogCall("WriteFile", [&] { return "bytes=" + std::to_string(nNumberOfBytesToWrite); });
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
    if (FaultPoint("WriteFile")) return FALSE;
    if (lpOverlapped != nullptr) {
        ReportUnsupported("WriteFile", "overlapped writing");
        return FALSE;
    }
    if (lpNumberOfBytesWritten == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    auto file = LookupDescriptor(hFile);
    if (!file) return FALSE;
    if (!file->can_write) return Fail(ERROR_ACCESS_DENIED);
    if (lpBuffer == nullptr && nNumberOfBytesToWrite > 0) return Fail(ERROR_NOACCESS);

    SigpipeBlock sigpipe(file->kind == HandleKind::Pipe);
    const char* from = static_cast<const char*>(lpBuffer);
    DWORD total = 0;
    while (total < nNumberOfBytesToWrite) {
        const std::size_t chunk = std::min<std::size_t>(nNumberOfBytesToWrite - total, kMaxTransfer);
        const ssize_t put = ::write(file->fd, from + total, chunk);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            const int error = put < 0 ? errno : ENOSPC;
            if (error == EPIPE) sigpipe.Broke();
            *lpNumberOfBytesWritten = total;
            return Fail(error == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(error));
        }
        total += static_cast<DWORD>(put);
    }
    *lpNumberOfBytesWritten = total;
    return TRUE;
}

extern "C" DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                       DWORD dwMoveMethod) {
    LogCall("SetFilePointer", [&] {
        return "distance=" + std::to_string(lDistanceToMove) + " method=" + std::to_string(dwMoveMethod);
    });
    if (FaultPoint("SetFilePointer")) return INVALID_SET_FILE_POINTER;
    auto file = LookupDescriptor(hFile);
    if (!file) return INVALID_SET_FILE_POINTER;
    // Without a high part the distance is a signed 32-bit value and the result must fit 32 bits.
    const LONGLONG distance = lpDistanceToMoveHigh != nullptr
                                  ? static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
                                                          static_cast<DWORD>(lDistanceToMove))
                                  : lDistanceToMove;
    const LONGLONG limit = lpDistanceToMoveHigh != nullptr ? LLONG_MAX : 0xFFFFFFFFll;
    LONGLONG position = 0;
    if (!MovePointer(*file, distance, dwMoveMethod, limit, position)) return INVALID_SET_FILE_POINTER;
    if (lpDistanceToMoveHigh != nullptr) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
    // A low part that equals the failure value is told apart by a zero last error.
    if (static_cast<DWORD>(position) == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
    return static_cast<DWORD>(position);
}

extern "C" BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                                        DWORD dwMoveMethod) {
    LogCall("SetFilePointerEx", [&] {
        return "distance=" + std::to_string(liDistanceToMove.QuadPart) + " method=" + std::to_string(dwMoveMethod);
    });
    if (FaultPoint("SetFilePointerEx")) return FALSE;
    auto file = LookupDescriptor(hFile);
    if (!file) return FALSE;
    LONGLONG position = 0;
    if (!MovePointer(*file, liDistanceToMove.QuadPart, dwMoveMethod, LLONG_MAX, position)) return FALSE;
    if (lpNewFilePointer != nullptr) lpNewFilePointer->QuadPart = position;
    return TRUE;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    LogCall("GetFileSize", [] { return std::string(); });
    if (FaultPoint("GetFileSize")) return INVALID_FILE_SIZE;
    auto file = LookupDescriptor(hFile);
    LONGLONG size = 0;
    if (!file || !FileSize(*file, size)) return INVALID_FILE_SIZE;
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(static_cast<ULONGLONG>(size) >> 32);
    if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
    return static_cast<DWORD>(size);
}

extern "C" BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    LogCall("GetFileSizeEx", [] { return std::string(); });
    if (FaultPoint("GetFileSizeEx")) return FALSE;
    if (lpFileSize == nullptr) return Fail(ERROR_NOACCESS);
    auto file = LookupDescriptor(hFile);
    LONGLONG size = 0;
    if (!file || !FileSize(*file, size)) return FALSE;
    lpFileSize->QuadPart = size;
    return TRUE;
}

// Windows refuses to flush a handle without write access.
extern "C" BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    LogCall("FlushFileBuffers", [] { return std::string(); });
    if (FaultPoint("FlushFileBuffers")) return FALSE;
    auto file = LookupDescriptor(hFile);
    if (!file) return FALSE;
    if (!file->can_write) return Fail(ERROR_ACCESS_DENIED);
    // Pipes and terminals have nothing to flush to a disk.
    if (::fsync(file->fd) != 0 && errno != EINVAL && errno != EROFS) return Fail(ErrorFromErrno(errno));
    return TRUE;
}

extern "C" BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    LogCall("SetEndOfFile", [] { return std::string(); });
    if (FaultPoint("SetEndOfFile")) return FALSE;
    auto file = LookupDescriptor(hFile);
    if (!file) return FALSE;
    if (!file->can_write) return Fail(ERROR_ACCESS_DENIED);
    const off_t position = ::lseek(file->fd, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(file->fd, position) != 0) return Fail(ErrorFromErrno(errno));
    return TRUE;
}
