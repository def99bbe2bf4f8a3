// POSIX emulation of FindFirstFileW, FindNextFileW and FindClose; no library logic here.
#include <winport/errors.h>
#include <winport/fileattr.h>
#include <winport/find.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/handles.h"
#include "core/text.h"
#include "core/posix_fs.h"
#include "find/wildcard.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <vector>

using namespace winport::detail;

namespace {

// One search: the names that matched when it started, handed out in order. An entry removed
// since is passed over, as a live enumeration would no longer see it.
struct Search : KernelObject {
    Search() : KernelObject(HandleKind::Find) {}
    std::string folder;  // POSIX path, with a trailing '/' unless empty
    std::vector<std::wstring> names;
    std::size_t next = 0;
};

// Closes a POSIX folder stream on every path.
struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

bool Fill(const std::string& folder, const std::wstring& name, WIN32_FIND_DATAW* data) {
    const std::string path = folder + ToUtf8(name);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return false;
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = fs::AttributesFromStat(path, st);
    data->ftCreationTime = fs::ToFileTime(st.st_mtim);  // POSIX keeps no birth time here
    data->ftLastAccessTime = fs::ToFileTime(st.st_atim);
    data->ftLastWriteTime = fs::ToFileTime(st.st_mtim);
    if (!S_ISDIR(st.st_mode)) {
        const ULONGLONG size = static_cast<ULONGLONG>(st.st_size);
        data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data->nFileSizeLow = static_cast<DWORD>(size);
    }
    // A POSIX name is at most 255 bytes, so it always fits MAX_PATH characters.
    const std::size_t length = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::copy_n(name.data(), length, data->cFileName);
    return true;
}

// Hands out the next entry that still exists; false with ERROR_NO_MORE_FILES at the end.
bool Advance(Search& search, WIN32_FIND_DATAW* data) {
    while (search.next < search.names.size()) {
        if (Fill(search.folder, search.names[search.next++], data)) return true;
    }
    SetLastError(ERROR_NO_MORE_FILES);
    return false;
}

// "." and ".." first, then the names in case-blind order, the order NTFS lists them in.
void SortLikeWindows(std::vector<std::wstring>& names) {
    auto rank = [](const std::wstring& n) { return n == L"." ? 0 : n == L".." ? 1 : 2; };
    std::sort(names.begin(), names.end(), [&](const std::wstring& a, const std::wstring& b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        const std::wstring fa = FoldCase(a), fb = FoldCase(b);
        return fa != fb ? fa < fb : a < b;
    });
}

}  // namespace

extern "C" HANDLE WINAPI FindFirstFileW(LPCWSTR file_name, LPWIN32_FIND_DATAW data) {
    LogCall("FindFirstFileW", [&] { return ToPosixPath(file_name); });
    if (FaultPoint("FindFirstFileW")) return INVALID_HANDLE_VALUE;
    if (file_name == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::wstring pattern_path(file_name);
    const std::size_t sep = pattern_path.find_last_of(L"\\/");
    const std::wstring pattern = sep == std::wstring::npos ? pattern_path : pattern_path.substr(sep + 1);
    auto search = std::make_shared<Search>();
    if (sep != std::wstring::npos) search->folder = ToPosixPath(pattern_path.substr(0, sep + 1).c_str());
    if (pattern.empty()) {  // "folder\": Windows finds nothing by an empty name
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    if (!HasWildcards(pattern)) {
        const std::string path = search->folder + ToUtf8(pattern);
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) {
            SetLastError(fs::ErrorFromErrno(errno, path));
            return INVALID_HANDLE_VALUE;
        }
        search->names.push_back(pattern);
    } else {
        const std::string folder = search->folder.empty() ? "." : search->folder;
        std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
        if (!dir) {
            SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            std::wstring name = FromUtf8(entry->d_name);
            if (MatchesWildcard(pattern, name)) search->names.push_back(std::move(name));
        }
        SortLikeWindows(search->names);
    }
    if (!Advance(*search, data)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return RegisterHandle(std::move(search));
}

extern "C" BOOL WINAPI FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
    LogCall("FindNextFileW", [] { return std::string(); });
    if (FaultPoint("FindNextFileW")) return FALSE;
    auto search = LookupHandleAs<Search>(find, HandleKind::Find);
    if (!search) return FALSE;
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Advance(*search, data) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI FindClose(HANDLE find) {
    LogCall("FindClose", [] { return std::string(); });
    if (!LookupHandle(find, HandleKind::Find)) return FALSE;
    // An injected failure still ends the search, as a failed CloseHandle would: the caller
    // can do nothing more with the handle, and a sweep would otherwise count a leak it
    // could not have prevented.
    const bool fault = FaultPoint("FindClose");
    ReleaseHandle(find);
    return fault ? FALSE : TRUE;
}
