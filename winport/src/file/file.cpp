// POSIX emulation of CreateFileW on real files: Windows creation dispositions and error codes,
// and share modes enforced between the handles of this process (POSIX has no mandatory sharing
// between processes). No library logic here.
#include <winport/errors.h>
#include <winport/file.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/handles.h"
#include "core/text.h"
#include "core/descriptor.h"
#include "file/file_shares.h"
#include "core/posix_fs.h"
#include "core/unsupported.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace winport::detail {
namespace {

constexpr DWORD kKnownAccess = GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | STANDARD_RIGHTS_ALL | 0x1FFu;
// Accepted flags: READONLY sets the new file's mode; WRITE_THROUGH, DELETE_ON_CLOSE and
// BACKUP_SEMANTICS are honoured; NO_BUFFERING, RANDOM_ACCESS and SEQUENTIAL_SCAN are hints to
// the system; the other attributes (hidden, system, archive, ...) have no POSIX counterpart and
// change nothing that a reader of the file could see. Everything else fails loudly.
constexpr DWORD kKnownFlags = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING |
                              FILE_FLAG_RANDOM_ACCESS | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_DELETE_ON_CLOSE |
                              FILE_FLAG_BACKUP_SEMANTICS;
constexpr DWORD kWriteAccess = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;

std::string Hex(DWORD value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
    return buffer;
}

// What an open does to the file, in the bits of the share mode that must allow it.
DWORD UsesOf(DWORD access) {
    DWORD uses = 0;
    if (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | FILE_READ_DATA | FILE_EXECUTE)) uses |= FILE_SHARE_READ;
    if (access & kWriteAccess) uses |= FILE_SHARE_WRITE;
    if (access & (DELETE | GENERIC_ALL)) uses |= FILE_SHARE_DELETE;
    return uses;
}

// The opens of this process, by file identity, for the share-mode check.
class ShareTable {
public:
    // Registers an open unless it conflicts with one already there: its uses must be allowed by
    // every other open's share mode, and their uses by its share mode.
    bool TryAdd(dev_t device, ino_t inode, DWORD uses, DWORD share, std::uint64_t& id) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [other_id, other] : opens_) {
            if (other.device != device || other.inode != inode) continue;
            if ((uses & ~other.share) != 0 || (other.uses & ~share) != 0) return false;
        }
        id = next_id_++;
        opens_.emplace(id, Open{device, inode, uses, share});
        return true;
    }
    void Remove(std::uint64_t id) {
        std::lock_guard<std::mutex> lock(mutex_);
        opens_.erase(id);
    }
    // True when every open of the file shares what `uses` needs.
    bool Allows(dev_t device, ino_t inode, DWORD uses) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [id, open] : opens_) {
            if (open.device == device && open.inode == inode && (uses & ~open.share) != 0) return false;
        }
        return true;
    }

private:
    struct Open {
        dev_t device;
        ino_t inode;
        DWORD uses;
        DWORD share;
    };
    std::mutex mutex_;
    std::map<std::uint64_t, Open> opens_;
    std::uint64_t next_id_ = 1;
};

ShareTable& Shares() {
    static ShareTable* table = new ShareTable;  // never destroyed: handles may close during exit
    return *table;
}

struct FileObject : DescriptorObject {
    FileObject(int fd, bool readable, bool writable, std::uint64_t share, std::string remove_on_close)
        : DescriptorObject(HandleKind::File, fd, readable, writable),
          share_id(share),
          delete_on_close(std::move(remove_on_close)) {}
    ~FileObject() override {
        if (!delete_on_close.empty()) ::unlink(delete_on_close.c_str());
        Shares().Remove(share_id);
    }
    const std::uint64_t share_id;
    const std::string delete_on_close;  // FILE_FLAG_DELETE_ON_CLOSE: the path to remove
};

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// CreateFileW answers 80 for a file that is already there, where other calls answer 183.
DWORD OpenError(int error, const std::string& path) {
    return error == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(error, path);
}

// Opens `path` the way the disposition asks; `existed` tells whether the file was there before.
int OpenForDisposition(const std::string& path, int flags, mode_t mode, DWORD disposition, bool& existed) {
    existed = true;
    if (disposition == CREATE_NEW) {
        existed = false;
        return ::open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
    }
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) return ::open(path.c_str(), flags);
    // CREATE_ALWAYS, OPEN_ALWAYS: open what is there, else create; a file that appears in
    // between is opened on the next round.
    for (int round = 0; round < 16; ++round) {
        int fd = ::open(path.c_str(), flags);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
        if (fd >= 0) {
            existed = false;
            return fd;
        }
        if (errno != EEXIST) return fd;
    }
    errno = EBUSY;
    return -1;
}

}  // namespace

bool OpenHandlesShare(dev_t device, ino_t inode, DWORD uses) { return Shares().Allows(device, inode, uses); }

}  // namespace winport::detail

using namespace winport::detail;

extern "C" HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                     DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    LogCall("CreateFileW", [&] {
        return "path=" + ToPosixPath(lpFileName) + " access=" + Hex(dwDesiredAccess) + " share=" + Hex(dwShareMode) +
               " disposition=" + std::to_string(dwCreationDisposition) + " flags=" + Hex(dwFlagsAndAttributes);
    });
    if (FaultPoint("CreateFileW")) return INVALID_HANDLE_VALUE;
    if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (*lpFileName == 0) return Fail(ERROR_PATH_NOT_FOUND);
    if ((dwShareMode & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) != 0 ||
        dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (dwDesiredAccess & ~kKnownAccess) {
        ReportUnsupported("CreateFileW", "access " + Hex(dwDesiredAccess & ~kKnownAccess));
        return INVALID_HANDLE_VALUE;
    }
    if (dwFlagsAndAttributes & ~kKnownFlags) {
        ReportUnsupported("CreateFileW", "flags " + Hex(dwFlagsAndAttributes & ~kKnownFlags));
        return INVALID_HANDLE_VALUE;
    }
    if (hTemplateFile != nullptr) {
        ReportUnsupported("CreateFileW", "a template file");
        return INVALID_HANDLE_VALUE;
    }
    if (lpSecurityAttributes != nullptr && lpSecurityAttributes->lpSecurityDescriptor != nullptr) {
        ReportUnsupported("CreateFileW", "a security descriptor");
        return INVALID_HANDLE_VALUE;
    }

    const bool delete_on_close = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    // CreateFileW asks for DELETE access itself when the file is to go on closing.
    const DWORD uses = UsesOf(dwDesiredAccess | (delete_on_close ? DELETE : 0));
    bool readable = (uses & FILE_SHARE_READ) != 0;
    bool writable = (dwDesiredAccess & kWriteAccess) != 0;
    const bool append_only = (dwDesiredAccess & FILE_APPEND_DATA) &&
                             !(dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA));
    if (dwCreationDisposition == TRUNCATE_EXISTING && !writable) return Fail(ERROR_INVALID_PARAMETER);

    const std::string path = ToPosixPath(lpFileName);
    int flags = O_CLOEXEC | O_NOCTTY | (readable && writable ? O_RDWR : writable ? O_WRONLY : O_RDONLY);
    if (append_only) flags |= O_APPEND;
    if (dwFlagsAndAttributes & FILE_FLAG_WRITE_THROUGH) flags |= O_DSYNC;
    if (fs::IsDirectory(path)) {
        // A directory opens only for its attributes, and only with backup semantics.
        if (dwCreationDisposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
        if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || dwCreationDisposition == CREATE_ALWAYS ||
            dwCreationDisposition == TRUNCATE_EXISTING)
            return Fail(ERROR_ACCESS_DENIED);
        flags = O_CLOEXEC | O_RDONLY | O_DIRECTORY;
        readable = writable = false;
    }
    const mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

    bool existed = true;
    const int fd = OpenForDisposition(path, flags, mode, dwCreationDisposition, existed);
    if (fd < 0) return Fail(OpenError(errno, path));
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        const DWORD error = ErrorFromErrno(errno);
        ::close(fd);
        return Fail(error);
    }
    if (S_ISDIR(info.st_mode) && !(flags & O_DIRECTORY)) {  // became a directory since the check
        ::close(fd);
        return Fail(ERROR_ACCESS_DENIED);
    }
    // The read-only attribute refuses every writing open, whoever asks: root's permission to
    // write anyway is a POSIX rule, not a Windows one.
    if (existed && writable && fs::IsReadOnly(info)) {
        ::close(fd);
        return Fail(ERROR_ACCESS_DENIED);
    }
    std::uint64_t share_id = 0;
    if (!Shares().TryAdd(info.st_dev, info.st_ino, uses, dwShareMode, share_id)) {
        ::close(fd);
        return Fail(ERROR_SHARING_VIOLATION);
    }
    // From here the object owns the descriptor and its share entry.
    auto file = std::make_shared<FileObject>(fd, readable, writable, share_id, delete_on_close ? path : std::string());
    const bool truncate = existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING);
    if (truncate && ::ftruncate(fd, 0) != 0) return Fail(ErrorFromErrno(errno));
    if (dwFlagsAndAttributes & FILE_FLAG_RANDOM_ACCESS) ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    if (dwFlagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    const bool inheritable = lpSecurityAttributes != nullptr && lpSecurityAttributes->bInheritHandle;
    HANDLE handle = RegisterHandle(std::move(file), inheritable);
    const bool reports_existing = existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
    SetLastError(reports_existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}
