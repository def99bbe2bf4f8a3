// POSIX file-system helpers for winport's file families; no library logic here.
#include "core/posix_fs.h"

#include "core/text.h"

#include <winport/errors.h>
#include <winport/fileattr.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace winport::detail::fs {
namespace {

// Closes its descriptor on every path.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting the error a late write-back may bring.
    int Close() {
        int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies what is left of `in` to `out` through a buffer; 0 or the Windows error.
DWORD CopyThroughBuffer(int in, int out) {
    std::vector<char> buffer(1 << 18);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return ERROR_READ_FAULT;
        }
        if (n == 0) return ERROR_SUCCESS;
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n)))
            return errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
    }
}

}  // namespace

bool StatEntry(const WCHAR* name, std::string& path, struct stat& st) {
    if (name == nullptr || *name == L'\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    path = ToPosixPath(name);
    if (::lstat(path.c_str(), &st) != 0) {
        SetLastError(ErrorFromErrno(errno, path));
        return false;
    }
    return true;
}

bool IsLinkToDirectory(const std::string& path, const struct stat& lst) {
    return S_ISLNK(lst.st_mode) && IsDirectory(path);
}

DWORD AttributesFromStat(const std::string& path, const struct stat& lst) {
    if (S_ISLNK(lst.st_mode))
        return FILE_ATTRIBUTE_REPARSE_POINT | (IsDirectory(path) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
    DWORD attributes = S_ISDIR(lst.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (IsReadOnly(lst)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

FILETIME ToFileTime(const struct timespec& ts) {
    constexpr ULONGLONG kUnixEpochIn1601Ticks = 116444736000000000ULL;
    const ULONGLONG ticks = static_cast<ULONGLONG>(ts.tv_sec) * 10000000ULL +
                            static_cast<ULONGLONG>(ts.tv_nsec) / 100 + kUnixEpochIn1601Ticks;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

DWORD CopyOneFile(const std::string& from, const std::string& to, bool fail_if_exists, bool overwrite_read_only) {
    struct stat source;
    if (::stat(from.c_str(), &source) != 0) return ErrorFromErrno(errno, from);
    if (S_ISDIR(source.st_mode)) return ERROR_ACCESS_DENIED;

    struct stat target;
    if (::stat(to.c_str(), &target) == 0) {
        if (fail_if_exists) return ERROR_FILE_EXISTS;
        if (S_ISDIR(target.st_mode)) return ERROR_ACCESS_DENIED;
        if (target.st_dev == source.st_dev && target.st_ino == source.st_ino) return ERROR_SHARING_VIOLATION;
        if (IsReadOnly(target)) {
            if (!overwrite_read_only) return ERROR_ACCESS_DENIED;
            if (::chmod(to.c_str(), target.st_mode | S_IWUSR) != 0) return ErrorFromErrno(errno, to);
        }
    }

    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return ErrorFromErrno(errno, from);
    const int exclusive = fail_if_exists ? O_EXCL : 0;
    UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | exclusive, 0666));
    if (out.get() < 0) return errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno, to);

    // The kernel copies a regular file without bringing the bytes up into this process (and
    // clones them where the file system can). Where it cannot for this pair of files, which it
    // says before the first byte, and for anything but a regular file (whose size the kernel
    // may not know), the bytes go through a buffer.
    bool through_buffer = !S_ISREG(source.st_mode);
    for (std::size_t copied = 0; !through_buffer;) {
        const ssize_t n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, std::size_t{1} << 30, 0);
        if (n == 0) break;
        if (n > 0) {
            copied += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) continue;
        if (copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                            errno == EBADF || errno == EPERM)) {
            through_buffer = true;
            break;
        }
        return errno == ENOSPC ? ERROR_DISK_FULL : errno == EIO ? ERROR_READ_FAULT : ERROR_WRITE_FAULT;
    }
    if (through_buffer) {
        if (const DWORD error = CopyThroughBuffer(in.get(), out.get())) return error;
    }
    // The copy keeps the source's read-only state and modification time, as Windows does.
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    ::futimens(out.get(), times);
    ::fchmod(out.get(), source.st_mode & 07777);
    if (out.Close() != 0) return ERROR_WRITE_FAULT;
    return ERROR_SUCCESS;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return trimmed.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace winport::detail::fs
