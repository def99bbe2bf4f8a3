// POSIX emulation of the profile functions over INI files; no library logic here.
#include <winport/errors.h>
#include <winport/profile.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/store.h"
#include "core/text.h"
#include "profile/ini_document.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace winport::detail;
using winport::detail::profile::IniDocument;

namespace {

// A bare file name lives in the Windows folder, as on Windows; winport's is "windows" in the
// state folder. A name with a folder in it is taken as it stands.
std::string ProfilePath(LPCWSTR file) {
    const std::string path = ToPosixPath(file);
    if (path.find('/') != std::string::npos) return path;
    return StateDirectory() + "/windows/" + path;
}

// The file's bytes; false when it cannot be read (the error is then the last error).
bool ReadAll(const std::string& path, std::string& bytes) {
    // A folder, or a file that cannot be opened, is refused; a missing one is not found.
    struct stat info;
    std::ifstream in;
    if (::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        SetLastError(::stat(path.c_str(), &info) == 0 ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The last file read, parsed, kept while its identity, size and change time stay the same: an
// installer reads many values of one file in a row. A write replaces the file (a new inode),
// so no read after it sees the old text.
struct CachedFile {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    struct timespec changed = {};
    std::shared_ptr<const IniDocument> document;
};

std::mutex g_cache_mutex;
CachedFile g_cache;

bool SameFile(const CachedFile& cached, const std::string& path, const struct stat& info) {
    return cached.document && cached.path == path && cached.device == info.st_dev && cached.inode == info.st_ino &&
           cached.size == info.st_size && cached.changed.tv_sec == info.st_mtim.tv_sec &&
           cached.changed.tv_nsec == info.st_mtim.tv_nsec;
}

// The parsed file, or null with the last error set when it cannot be read.
std::shared_ptr<const IniDocument> Load(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        std::lock_guard<std::mutex> lock(g_cache_mutex);
        if (SameFile(g_cache, path, info)) return g_cache.document;
    }
    std::string bytes;
    if (!ReadAll(path, bytes)) return nullptr;
    auto document = std::make_shared<const IniDocument>(IniDocument::Parse(bytes));
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) == bytes.size()) {
        std::lock_guard<std::mutex> lock(g_cache_mutex);
        g_cache = CachedFile{path, info.st_dev, info.st_ino, info.st_size, info.st_mtim, document};
    }
    return document;
}

// Writes through a file beside the target and a rename, so a failed write leaves the old text.
bool WriteAll(const std::string& path, const std::string& bytes) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) ::mkdir(path.substr(0, slash).c_str(), 0777);  // the Windows folder
    const std::string temporary = path + ".winport-tmp";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        SetLastError(ERROR_CANTWRITE);
        return false;
    }
    return true;
}

// A list of names, each ended by a NUL and the whole by one more; a list that does not fit is
// cut at capacity - 2 characters, both ends of the cut ended by NULs, and counted as that.
DWORD CopyList(const std::vector<std::wstring>& names, LPWSTR buffer, DWORD capacity) {
    // Too small for a name and the list's end: empty.
    if (capacity <= 2) {
        buffer[0] = L'\0';
        return 0;
    }
    DWORD free = capacity - 1;
    LPWSTR out = buffer;
    for (const std::wstring& name : names) {
        const DWORD length = static_cast<DWORD>(name.size()) + 1;
        if (length > free) {
            if (free > 0) {
                name.copy(out, free - 1);
                out += free - 1;
                *out++ = L'\0';
            }
            *out = L'\0';
            return capacity - 2;
        }
        name.copy(out, length - 1);
        out[length - 1] = L'\0';
        out += length;
        free -= length;
    }
    *out = L'\0';
    return static_cast<DWORD>(out - buffer);
}

DWORD CopyText(const std::wstring& text, LPWSTR buffer, DWORD capacity) {
    const DWORD count = std::min<DWORD>(static_cast<DWORD>(text.size()), capacity - 1);
    text.copy(buffer, count);
    buffer[count] = L'\0';
    return count;
}

bool Quoted(const std::wstring& value) {
    return value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0];
}

// A value in one pair of matching quotes is read without them; the closing quote's place is
// cleared too, where it fits, as Windows leaves the buffer.
DWORD CopyValue(const std::wstring& value, LPWSTR buffer, DWORD capacity) {
    if (!Quoted(value)) return CopyText(value, buffer, capacity);
    const DWORD count = CopyText(value.substr(1, value.size() - 2), buffer, capacity);
    if (count + 1 < capacity) buffer[count + 1] = L'\0';
    return count;
}

}  // namespace

extern "C" DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                                 LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) {
    LogCall("GetPrivateProfileStringW", [&] {
        return ToUtf8(lpAppName ? lpAppName : L"(null)") + " " + ToUtf8(lpKeyName ? lpKeyName : L"(null)") +
               " size=" + std::to_string(nSize);
    });
    if (FaultPoint("GetPrivateProfileStringW")) return 0;
    if (lpReturnedString == nullptr || nSize == 0) return 0;
    // The default without its trailing blanks.
    std::wstring fallback = lpDefault ? lpDefault : L"";
    while (!fallback.empty() && fallback.back() == L' ') fallback.pop_back();
    if (lpFileName == nullptr) return CopyText(fallback, lpReturnedString, nSize);

    std::shared_ptr<const IniDocument> loaded = Load(ProfilePath(lpFileName));
    const DWORD error = loaded ? ERROR_SUCCESS : GetLastError();
    static const IniDocument kEmpty;
    const IniDocument& document = loaded ? *loaded : kEmpty;
    DWORD count = 0;
    if (lpAppName == nullptr) {
        count = CopyList(document.SectionNames(), lpReturnedString, nSize);
    } else if (lpKeyName == nullptr) {
        const std::vector<std::wstring> keys = document.KeyNames(lpAppName);
        count = keys.empty() ? CopyText(fallback, lpReturnedString, nSize) : CopyList(keys, lpReturnedString, nSize);
    } else if (std::optional<std::wstring> value = document.Value(lpAppName, lpKeyName)) {
        count = CopyValue(*value, lpReturnedString, nSize);
    } else {
        count = CopyText(fallback, lpReturnedString, nSize);
    }
    SetLastError(error);
    return count;
}

extern "C" BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                                  LPCWSTR lpFileName) {
    LogCall("WritePrivateProfileStringW", [&] {
        return ToUtf8(lpAppName ? lpAppName : L"(null)") + " " + ToUtf8(lpKeyName ? lpKeyName : L"(null)");
    });
    if (FaultPoint("WritePrivateProfileStringW")) return FALSE;
    if (lpAppName == nullptr || lpFileName == nullptr) return FALSE;  // the last error stays as it was
    const std::string path = ProfilePath(lpFileName);
    std::string bytes;
    const bool missing = !ReadAll(path, bytes);
    if (missing && GetLastError() != ERROR_FILE_NOT_FOUND) return FALSE;
    if (missing && lpString == nullptr) {  // nothing to delete: Windows makes no file for it
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    IniDocument document = IniDocument::Parse(bytes);
    if (lpKeyName == nullptr) document.DeleteSection(lpAppName);
    else if (lpString == nullptr) document.DeleteKey(lpAppName, lpKeyName);
    else document.Set(lpAppName, lpKeyName, lpString);
    if (!WriteAll(path, document.Serialize())) return FALSE;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
