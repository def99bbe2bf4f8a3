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
    const std::size_t count = length > 0 ? static_cast<std::size_t>(length) : 0;
    const std::size_t bytes = Utf8Length(text, count);
    if (bytes > INT_MAX) return INT_MAX;
    if (out) EncodeUtf8(text, count, LoneSurrogate::Replace, out);
    return static_cast<int>(bytes);
}

}  // namespace cw32::detail
