// A scratch folder per test, for the file suites on both platforms. Paths handed to the
// system use backslashes, so the POSIX build proves it reads them as Windows does.
#pragma once

#include <common-win32/platform.h>

#include <cstddef>
#include <filesystem>
#include <string>

namespace cw32test {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // "folder\relative" for the system calls ("a\b" nests).
    std::wstring W(const std::wstring& relative) const;

    void WriteFile(const std::wstring& relative, const std::string& bytes) const;
    std::string ReadFile(const std::wstring& relative) const;
    bool Exists(const std::wstring& relative) const;
    void MakeDir(const std::wstring& relative) const;
    void SetReadOnly(const std::wstring& relative, bool read_only) const;

private:
    std::filesystem::path P(const std::wstring& relative) const;  // the same place for std::filesystem
    std::wstring root_;
};

// True under Wine run as root (as CI runs it), where a read-only file opens for writing: Wine
// keeps the attribute in the POSIX mode bits, which do not bind root. Windows refuses such an
// open whoever asks, and so does winport. Always false outside Wine.
bool WineWritesReadOnlyFiles();

}  // namespace cw32test
