// Text crossing the process boundary: wide text to and from UTF-8 bytes, and files opened by a
// wide path, so that non-ASCII names work on both platforms.
#pragma once

#include <common-win32/common-win32.h>

#include <cstdio>
#include <memory>
#include <string>

namespace cw32::cli {

// Through the library's own conversions (encoding 1). Both keep text past an embedded NUL, which
// the library's conversions, working on NUL-terminated text, would drop.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& bytes);

CString ToCString(const std::wstring& text);
std::wstring FromCString(const CString& text);

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// `mode` is a C stdio mode such as "rb" or "ab"; a null pointer when the file cannot be opened.
FilePtr OpenFile(const std::wstring& path, const char* mode);

// The whole content of a file as bytes; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);

}  // namespace cw32::cli
