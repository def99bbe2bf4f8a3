// The library's own wide-to-UTF-8 encoder. The system's converter replaces an unpaired
// surrogate with U+FFFD; this one keeps it as the three-byte form of its own value, so text
// that round-trips through the library loses nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cw32::text {

// Bytes needed for the first `count` units of `text` (no terminator).
std::size_t Utf8Length(const wchar_t* text, std::size_t count);

// Encodes the first `count` units into `out`, which holds Utf8Length(text, count) bytes.
void EncodeUtf8(const wchar_t* text, std::size_t count, char* out);

}  // namespace cw32::text
