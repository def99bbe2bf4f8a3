// The exported, non-template part of CStringT: string block memory and UTF-8 conversion.
#include <common-win32/cstring.h>

#include "unicode.h"

#include <climits>
#include <cstdlib>

namespace cw32::detail {

// One heap for every string block: the C runtime of common-win32 itself.
void* AllocateStringBlock(std::size_t bytes) { return std::malloc(bytes); }
void* ReallocateStringBlock(void* block, std::size_t bytes) { return std::realloc(block, bytes); }
void FreeStringBlock(void* block) { std::free(block); }

// The count pass sums in 64 bits and saturates at INT_MAX: a result that large is refused by
// CStringT as too long rather than wrapping round.
int Utf8ToWide(const char* text, int length, wchar_t* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + (length > 0 ? length : 0);
    long long units = 0;
    while (p < end) {
        if (*p < 0x80) {  // ASCII runs are most of what we convert
            if (out) out[units] = static_cast<wchar_t>(*p);
            ++p;
            ++units;
            continue;
        }
        const char32_t code = DecodeUtf8(p, end);
        units += out ? EncodeWide(code, out + units) : WideLength(code);
    }
    return units > INT_MAX ? INT_MAX : static_cast<int>(units);
}

int WideToUtf8(const wchar_t* text, int length, char* out) {
    const wchar_t* p = text;
    const wchar_t* end = p + (length > 0 ? length : 0);
    long long bytes = 0;
    while (p < end) {
        if (static_cast<std::uint32_t>(*p) < 0x80) {
            if (out) out[bytes] = static_cast<char>(*p);
            ++p;
            ++bytes;
            continue;
        }
        const char32_t code = DecodeWide(p, end);
        bytes += out ? EncodeUtf8(code, out + bytes) : Utf8Length(code);
    }
    return bytes > INT_MAX ? INT_MAX : static_cast<int>(bytes);
}

}  // namespace cw32::detail
