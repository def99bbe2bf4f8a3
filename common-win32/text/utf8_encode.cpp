#include "text/utf8_encode.h"

namespace cw32::text {
namespace {

bool IsHigh(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Walks the text one code point at a time, handing runs of ASCII (most installer text) to
// `ascii` and every other character to `other`. A wchar_t is 16 bits on Windows and 32 on
// POSIX; on both, a high surrogate followed by a low one is one character, so text that holds
// UTF-16 pairs gives the same bytes everywhere. A POSIX unit above U+10FFFF is no character at
// all and is written as U+FFFD.
template <class AsciiSink, class Sink>
void Walk(const wchar_t* text, std::size_t count, AsciiSink&& ascii, Sink&& other) {
    std::size_t i = 0;
    while (i < count) {
        const std::size_t run = i;
        while (i < count && static_cast<std::uint32_t>(text[i]) < 0x80) ++i;
        if (i > run) ascii(text + run, i - run);
        if (i == count) break;
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if (IsHigh(c) && i + 1 < count && IsLow(static_cast<std::uint32_t>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c > 0x10FFFF) {
            c = 0xFFFD;
        }
        ++i;
        other(c);
    }
}

std::size_t Width(std::uint32_t c) { return c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }  // c >= 0x80

}  // namespace

std::size_t Utf8Length(const wchar_t* text, std::size_t count) {
    std::size_t n = 0;
    Walk(text, count, [&](const wchar_t*, std::size_t run) { n += run; }, [&](std::uint32_t c) { n += Width(c); });
    return n;
}

void EncodeUtf8(const wchar_t* text, std::size_t count, char* out) {
    Walk(
        text, count,
        [&](const wchar_t* run, std::size_t n) {
            for (std::size_t k = 0; k < n; ++k) *out++ = static_cast<char>(run[k]);
        },
        [&](std::uint32_t c) {
            switch (Width(c)) {
                case 2:
                    *out++ = static_cast<char>(0xC0 | (c >> 6));
                    *out++ = static_cast<char>(0x80 | (c & 0x3F));
                    break;
                case 3:
                    *out++ = static_cast<char>(0xE0 | (c >> 12));
                    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                    *out++ = static_cast<char>(0x80 | (c & 0x3F));
                    break;
                default:
                    *out++ = static_cast<char>(0xF0 | (c >> 18));
                    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                    *out++ = static_cast<char>(0x80 | (c & 0x3F));
            }
        });
}

}  // namespace cw32::text
