// POSIX emulation of MsiGetFileVersionW: the PE reader over the file, and the installer
// service's size protocol.
#include <winport/errors.h>
#include <winport/locale.h>
#include <winport/msi.h>

#include "core/calllog.h"
#include "core/errno_errors.h"
#include "core/fault.h"
#include "core/text.h"
#include "msi/pe_version.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace winport::detail;

namespace {

// The file read piece by piece: the reader needs a few hundred bytes of a DLL of megabytes.
class FileSource final : public pe::ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t count) override {
        if (offset > size_ || count > size_ - offset) return false;
        auto* at = static_cast<char*>(out);
        while (count > 0) {
            const ssize_t n = ::pread(fd_, at, count, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // an error, or the file shrank under us
            at += n;
            offset += static_cast<std::uint64_t>(n);
            count -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    std::uint64_t size_;
};

// The resource loader's order for a resource kept in several languages: neutral, then the
// user's language, its primary language with the neutral and the default sublanguage, and
// English (United States).
std::vector<std::uint16_t> PreferredLanguages() {
    const LANGID user = GetUserDefaultLangID();
    const LANGID primary = user & 0x3FF;
    return {0x0000, user, primary, static_cast<LANGID>(primary | 0x0400), 0x0409};
}

// Reads the version of the file at `path`: 0, the open's Windows error (a folder cannot be
// opened as a file: 5), or ERROR_FILE_INVALID.
UINT ReadVersion(const std::string& path, pe::FileVersion& version) {
    // O_NONBLOCK: a FIFO must not hold the call up; it is no PE file anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return ErrorFromErrno(errno, path);
    struct stat st;
    UINT rc = ERROR_FILE_INVALID;
    if (::fstat(fd, &st) != 0) {
        rc = ErrorFromErrno(errno, path);
    } else if (S_ISDIR(st.st_mode)) {
        rc = ERROR_ACCESS_DENIED;
    } else if (S_ISREG(st.st_mode)) {
        FileSource source(fd, static_cast<std::uint64_t>(st.st_size));
        const std::vector<std::uint16_t> languages = PreferredLanguages();
        if (pe::ReadFileVersion(source, languages.data(), languages.size(), version)) rc = ERROR_SUCCESS;
    }
    ::close(fd);
    return rc;
}

// One answer of the protocol: the text's length without its NUL goes to *size, the text, cut
// to fit, to the buffer when there is one. True when the whole text fitted.
bool Answer(const std::wstring& text, LPWSTR buffer, LPDWORD size) {
    const DWORD capacity = *size;
    if (buffer != nullptr && capacity > 0) {
        const std::size_t n = std::min<std::size_t>(text.size(), capacity - 1);
        std::wmemcpy(buffer, text.data(), n);
        buffer[n] = L'\0';
    }
    *size = static_cast<DWORD>(text.size());
    return capacity > text.size();
}

}  // namespace

extern "C" UINT WINAPI MsiGetFileVersionW(LPCWSTR szFilePath, LPWSTR lpVersionBuf, LPDWORD pcchVersionBuf,
                                           LPWSTR lpLangBuf, LPDWORD pcchLangBuf) {
    LogCall("MsiGetFileVersionW", [&] { return szFilePath ? ToPosixPath(szFilePath) : std::string("null"); });
    if (FaultPoint("MsiGetFileVersionW")) return GetLastError();
    if (szFilePath == nullptr || (lpVersionBuf && !pcchVersionBuf) || (lpLangBuf && !pcchLangBuf))
        return ERROR_INVALID_PARAMETER;
    pe::FileVersion version;
    if (const UINT rc = ReadVersion(ToPosixPath(szFilePath), version); rc != ERROR_SUCCESS) return rc;

    // The installer service succeeds when either asked-for text fits, or when none is asked
    // for; a block without a translation answers an empty language that never counts as fitting.
    if (pcchVersionBuf == nullptr && pcchLangBuf == nullptr) return ERROR_SUCCESS;
    bool fitted = false;
    if (pcchVersionBuf != nullptr) {
        const std::wstring text = std::to_wstring(version.ms >> 16) + L"." + std::to_wstring(version.ms & 0xFFFF) +
                                  L"." + std::to_wstring(version.ls >> 16) + L"." + std::to_wstring(version.ls & 0xFFFF);
        fitted = Answer(text, lpVersionBuf, pcchVersionBuf);
    }
    if (pcchLangBuf != nullptr) {
        const std::wstring text = version.has_language ? std::to_wstring(version.language) : std::wstring();
        fitted = (Answer(text, lpLangBuf, pcchLangBuf) && version.has_language) || fitted;
    }
    return fitted ? ERROR_SUCCESS : ERROR_MORE_DATA;
}
