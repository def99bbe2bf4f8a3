// POSIX emulation of the kernel's path queries: GetShortPathNameW and GetTempPathW.
// No library logic here.
#include <winport/errors.h>
#include <winport/paths.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

// Both queries answer with the length without the terminator when the text fits, else with
// the size needed including it (leaving the last error alone, as Windows does).
DWORD Answer(const std::wstring& text, WCHAR* buffer, DWORD capacity, bool emptyWhenShort) {
    const DWORD needed = static_cast<DWORD>(text.size()) + 1;
    if (buffer == nullptr || capacity < needed) {
        if (emptyWhenShort && buffer != nullptr && capacity > 0) buffer[0] = L'\0';
        return needed;
    }
    std::wmemcpy(buffer, text.data(), text.size());
    buffer[text.size()] = L'\0';
    return needed - 1;
}

}  // namespace

extern "C" DWORD WINAPI GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD capacity) {
    winport::detail::LogCall("GetShortPathNameW", [&] {
        return longPath ? winport::detail::ToUtf8(longPath) : std::string("(null)");
    });
    if (winport::detail::FaultPoint("GetShortPathNameW")) return 0;
    if (longPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (longPath[0] == L'\0') {
        SetLastError(ERROR_BAD_PATHNAME);
        return 0;
    }
    // lstat: a link is an entry of its own, present even when what it names is gone.
    struct stat info;
    if (lstat(winport::detail::ToPosixPath(longPath).c_str(), &info) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    return Answer(longPath, shortPath, capacity, false);
}

extern "C" DWORD WINAPI GetTempPathW(DWORD capacity, LPWSTR buffer) {
    winport::detail::LogCall("GetTempPathW", [&] { return std::to_string(capacity); });
    if (winport::detail::FaultPoint("GetTempPathW")) return 0;
    const char* tmpdir = std::getenv("TMPDIR");
    std::wstring path = winport::detail::FromUtf8(tmpdir != nullptr && tmpdir[0] != '\0' ? tmpdir : "/tmp");
    if (path.back() != L'/' && path.back() != L'\\') path += L'/';
    // Windows empties a buffer that is too small for the directory; so does this.
    return Answer(path, buffer, capacity, true);
}
