// POSIX emulation of the shell's SHFileOperationW (FO_COPY only); no library logic here.
#include <winport/errors.h>
#include <winport/shell.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "core/posix_fs.h"
#include "core/unsupported.h"
#include "find/wildcard.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace winport::detail;

namespace {

// The flags that only steer windows and questions: with no window ever shown, and every
// question answered "yes" under FOF_NOCONFIRMATION, they change nothing on POSIX.
constexpr FILEOP_FLAGS kSupportedFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR |
                                         FOF_SIMPLEPROGRESS | FOF_NOCOPYSECURITYATTRIBS;

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

std::vector<std::wstring> SplitPathList(LPCWSTR list) {
    std::vector<std::wstring> out;
    if (list == nullptr) return out;
    for (const wchar_t* p = list; *p != L'\0'; p += out.back().size() + 1) out.emplace_back(p);
    return out;
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string Canonical(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// Creates a folder and every missing one above it, as the shell does for a destination.
DWORD MakeFolders(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? ERROR_SUCCESS : DE_FLDDESTISFILE;
    const std::string parent = fs::ParentOf(path);
    if (parent != path) {
        const DWORD error = MakeFolders(parent);
        if (error != ERROR_SUCCESS) return error;
    }
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return fs::ErrorFromErrno(errno, path);
    return ERROR_SUCCESS;
}

class TreeCopier {
public:
    explicit TreeCopier(FILEOP_FLAGS flags) : flags_(flags) {}

    // Copies `from` (a file or a whole folder) so that it becomes `to`.
    DWORD Copy(const std::string& from, const std::string& to) {
        struct stat lst;
        if (::lstat(from.c_str(), &lst) != 0) return fs::ErrorFromErrno(errno, from);
        if (fs::IsLinkToDirectory(from, lst)) return CopyLink(from, to);
        struct stat st;
        if (::stat(from.c_str(), &st) != 0) return fs::ErrorFromErrno(errno, from);
        return S_ISDIR(st.st_mode) ? CopyFolder(from, to) : CopyFile(from, to);
    }

private:
    DWORD CopyFile(const std::string& from, const std::string& to) {
        struct stat target;
        const bool exists = ::stat(to.c_str(), &target) == 0;
        if (exists && !(flags_ & FOF_NOCONFIRMATION)) {
            // The shell would ask before replacing; winport cannot ask, and guessing is worse.
            ReportUnsupported("SHFileOperationW", "replacing " + to + " without FOF_NOCONFIRMATION");
            return ERROR_NOT_SUPPORTED;
        }
        const DWORD error = MakeFolders(fs::ParentOf(to));
        if (error != ERROR_SUCCESS) return error;
        return fs::CopyOneFile(from, to, /*fail_if_exists=*/false, /*overwrite_read_only=*/true);
    }

    DWORD CopyFolder(const std::string& from, const std::string& to) {
        // A folder copied into its own tree would copy itself for ever.
        const std::string source = Canonical(from);
        const std::string target_parent = Canonical(fs::ParentOf(to));
        const std::string target = target_parent.empty() ? std::string() : Join(target_parent, fs::BaseNameOf(to));
        if (!target.empty() && target == source) return DE_SAMEFILE;
        if (!target.empty() && target.compare(0, source.size() + 1, source + "/") == 0) return DE_DESTSUBTREE;

        DWORD error = MakeFolders(to);
        if (error != ERROR_SUCCESS) return error;
        std::unique_ptr<DIR, DirCloser> dir(::opendir(from.c_str()));
        if (!dir) return fs::ErrorFromErrno(errno, from);
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        dir.reset();
        for (const std::string& name : names) {
            error = Copy(Join(from, name), Join(to, name));
            if (error != ERROR_SUCCESS) return error;
        }
        return ERROR_SUCCESS;
    }

    // A link to a folder is copied as a link: following it could copy data from outside the
    // tree, or loop for ever when it leads back up.
    DWORD CopyLink(const std::string& from, const std::string& to) {
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t n = ::readlink(from.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) return fs::ErrorFromErrno(errno, from);
        const DWORD error = MakeFolders(fs::ParentOf(to));
        if (error != ERROR_SUCCESS) return error;
        struct stat existing;
        if (::lstat(to.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) ::unlink(to.c_str());
        if (::symlink(std::string(buffer.data(), static_cast<std::size_t>(n)).c_str(), to.c_str()) != 0)
            return fs::ErrorFromErrno(errno, to);
        return ERROR_SUCCESS;
    }

    FILEOP_FLAGS flags_;
};

// The sources named by one entry of the from-list: a wildcard in its last name expands to the
// matching entries of its folder ("." and ".." never count).
DWORD ExpandSource(const std::wstring& entry, std::vector<std::string>& out, bool& expanded) {
    const std::size_t sep = entry.find_last_of(L"\\/");
    const std::wstring last = sep == std::wstring::npos ? entry : entry.substr(sep + 1);
    if (!HasWildcards(last)) {
        const std::string path = ToPosixPath(entry.c_str());
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) return fs::ErrorFromErrno(errno, path);
        out.push_back(path);
        return ERROR_SUCCESS;
    }
    expanded = true;
    const std::string folder = sep == std::wstring::npos ? "." : ToPosixPath(entry.substr(0, sep + 1).c_str());
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) return ERROR_PATH_NOT_FOUND;
    std::vector<std::string> names;
    while (const dirent* d = ::readdir(dir.get())) {
        const std::string name = d->d_name;
        if (name != "." && name != ".." && MatchesWildcard(last, FromUtf8(name))) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) out.push_back(Join(folder, name));
    return ERROR_SUCCESS;
}

int CopyAll(const SHFILEOPSTRUCTW& op) {
    const std::vector<std::wstring> from_list = SplitPathList(op.pFrom);
    const std::vector<std::wstring> to_list = SplitPathList(op.pTo);
    if (from_list.empty() || to_list.empty()) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> sources;
    bool expanded = false;
    for (const std::wstring& entry : from_list) {
        const DWORD error = ExpandSource(entry, sources, expanded);
        if (error != ERROR_SUCCESS) return static_cast<int>(error);
    }
    const std::string destination = ToPosixPath(to_list.front().c_str());
    struct stat st;
    const bool destination_is_folder = ::stat(destination.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    TreeCopier copier(op.fFlags);

    // One named source onto a name that is not a folder: the copy takes that name. Otherwise
    // (an existing folder, several sources, a wildcard) each source goes into the folder,
    // which is created when missing.
    if (sources.size() == 1 && !expanded && !destination_is_folder) return static_cast<int>(copier.Copy(sources[0], destination));
    for (const std::string& source : sources) {
        const DWORD error = copier.Copy(source, Join(destination, fs::BaseNameOf(source)));
        if (error != ERROR_SUCCESS) return static_cast<int>(error);
    }
    if (sources.empty() && !destination_is_folder) return static_cast<int>(MakeFolders(destination));
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" int WINAPI SHFileOperationW(LPSHFILEOPSTRUCTW op) {
    LogCall("SHFileOperationW", [&] {
        if (op == nullptr) return std::string("null");
        char flags[48];
        std::snprintf(flags, sizeof flags, "func %u, flags 0x%X", op->wFunc, static_cast<unsigned>(op->fFlags));
        const auto from = SplitPathList(op->pFrom), to = SplitPathList(op->pTo);
        return std::string(flags) + ", " + (from.empty() ? "" : ToPosixPath(from[0].c_str())) + " -> " +
               (to.empty() ? "" : ToPosixPath(to[0].c_str()));
    });
    if (FaultPoint("SHFileOperationW")) return static_cast<int>(GetLastError());
    if (op == nullptr) return ERROR_INVALID_PARAMETER;
    op->fAnyOperationsAborted = FALSE;
    if (op->wFunc != FO_COPY) {
        ReportUnsupported("SHFileOperationW", "operation " + std::to_string(op->wFunc) + " (only FO_COPY is)");
        return ERROR_NOT_SUPPORTED;
    }
    if ((op->fFlags & ~kSupportedFlags) != 0) {
        char flags[16];
        std::snprintf(flags, sizeof flags, "0x%X", static_cast<unsigned>(op->fFlags & ~kSupportedFlags));
        ReportUnsupported("SHFileOperationW", std::string("the flags ") + flags);
        return ERROR_NOT_SUPPORTED;
    }
    return CopyAll(*op);
}
