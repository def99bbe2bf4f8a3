// Text helpers for winport itself: POSIX wchar_t is UTF-32, system calls take UTF-8.
#pragma once

#include <winport/types.h>

#include <string>
#include <string_view>

namespace winport::detail {

// UTF-32 wide text to UTF-8 and back. Unpaired surrogates and invalid bytes become U+FFFD.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);

// A Windows path to a POSIX one: backslashes become slashes; nothing else changes.
std::string ToPosixPath(const WCHAR* path);

// Case-insensitive comparison and folding the way the registry and the SCM compare names.
std::wstring FoldCase(std::wstring_view text);

// Copies `text` into a caller's buffer of `capacity` characters with its NUL. Returns the
// characters written without the NUL, or, when the buffer is too small, the needed size with
// the NUL and sets ERROR_INSUFFICIENT_BUFFER (the GetEnvironmentVariableW-style protocol).
DWORD CopyOut(std::wstring_view text, WCHAR* buffer, DWORD capacity);

}  // namespace winport::detail
