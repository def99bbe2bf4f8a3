// Code point level UTF-8 and wide-text coding for the class library's own sources. Wide text is
// UTF-16 where wchar_t has 16 bits (Windows) and UTF-32 where it has 32 (POSIX).
#pragma once

#include <cstddef>
#include <cstdint>

namespace cw32::detail {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

// Decodes the character at `p` (p < end) and moves `p` past it. A broken sequence gives U+FFFD
// and moves `p` past its maximal invalid subpart only, so the next character is not swallowed.
inline char32_t DecodeUtf8(const unsigned char*& p, const unsigned char* end) {
    const unsigned lead = *p++;
    if (lead < 0x80) return lead;
    int trail;
    char32_t code;
    unsigned low = 0x80, high = 0xBF;  // allowed range of the first trail byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return kReplacementCharacter;
    }
    for (int i = 0; i < trail; ++i) {
        if (p == end || *p < low || *p > high) return kReplacementCharacter;
        code = (code << 6) | (*p++ & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return code;
}

// Writes `code` as 1 to 4 bytes, a surrogate value as its own three bytes; returns the count.
inline int EncodeCodePointUtf8(char32_t code, char* out) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

// Writes `code` (a valid scalar value, else U+FFFD) as 1 to 4 bytes; returns the count.
inline int EncodeUtf8(char32_t code, char* out) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacementCharacter;
    return EncodeCodePointUtf8(code, out);
}

// Decodes the wide character at `p` (p < end) and moves `p` past it; an unpaired surrogate or a
// value that is no Unicode scalar value gives U+FFFD.
inline char32_t DecodeWide(const wchar_t*& p, const wchar_t* end) {
    const std::uint32_t unit = kWideIsUtf16 ? static_cast<std::uint16_t>(*p) : static_cast<std::uint32_t>(*p);
    ++p;
    if (unit >= 0xD800 && unit <= 0xDBFF && kWideIsUtf16 && p != end) {
        const std::uint32_t next = static_cast<std::uint16_t>(*p);
        if (next >= 0xDC00 && next <= 0xDFFF) {
            ++p;
            return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        }
    }
    if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0x10FFFF) return kReplacementCharacter;
    return unit;
}

inline int WideLength(char32_t code) { return kWideIsUtf16 && code >= 0x10000 && code <= 0x10FFFF ? 2 : 1; }

// Writes `code` as one wide unit, or a surrogate pair where wchar_t is UTF-16; returns the count.
// Values beyond U+10FFFF become U+FFFD; a lone surrogate value is written as it is.
inline int EncodeWide(char32_t code, wchar_t* out) {
    if (code > 0x10FFFF) code = kReplacementCharacter;
    if (kWideIsUtf16 && code >= 0x10000) {
        out[0] = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        out[1] = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        return 2;
    }
    out[0] = static_cast<wchar_t>(code);
    return 1;
}

// The one wide-to-UTF-8 encoder of the class library, the library and winport. What it writes
// for a surrogate without its partner is each caller's choice: U+FFFD, as the system's
// converter writes it, or the three bytes of its own value, so that text round-trips through
// the library unchanged.
enum class LoneSurrogate { Replace, Keep };

// Walks wide text a character at a time: runs of ASCII (most installer text) go to `ascii`,
// every other character to `other` as a value. A high surrogate followed by a low one is one
// character whatever the width of wchar_t, so text that holds UTF-16 pairs gives the same
// bytes on every platform; a unit past U+10FFFF is U+FFFD.
template <class Ascii, class Other>
void WalkWide(const wchar_t* text, std::size_t count, LoneSurrogate lone, Ascii&& ascii, Other&& other) {
    std::size_t i = 0;
    while (i < count) {
        const std::size_t run = i;
        while (i < count && static_cast<std::uint32_t>(text[i]) < 0x80) ++i;
        if (i > run) ascii(text + run, i - run);
        if (i == count) break;
        char32_t c = static_cast<std::uint32_t>(text[i]);
        const char32_t next = i + 1 < count ? static_cast<std::uint32_t>(text[i + 1]) : 0;
        if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        } else if (c > 0x10FFFF || (lone == LoneSurrogate::Replace && c >= 0xD800 && c <= 0xDFFF)) {
            c = kReplacementCharacter;
        }
        ++i;
        other(c);
    }
}

// Bytes for the first `count` units of `text` (no terminator); the same under either rule.
inline std::size_t Utf8Length(const wchar_t* text, std::size_t count) {
    std::size_t bytes = 0;
    WalkWide(
        text, count, LoneSurrogate::Keep, [&](const wchar_t*, std::size_t run) { bytes += run; },
        [&](char32_t c) { bytes += c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; });
    return bytes;
}

// Encodes the first `count` units into `out`, which holds Utf8Length(text, count) bytes.
inline void EncodeUtf8(const wchar_t* text, std::size_t count, LoneSurrogate lone, char* out) {
    WalkWide(
        text, count, lone,
        [&](const wchar_t* run, std::size_t n) {
            for (std::size_t k = 0; k < n; ++k) *out++ = static_cast<char>(run[k]);
        },
        [&](char32_t c) { out += EncodeCodePointUtf8(c, out); });
}


// The same bytes as Utf8Length and EncodeUtf8, without walking a character at a time where the
// text is plainly valid: eight ASCII units are judged and copied at once, and a unit that is a
// scalar value on its own (no surrogate, nothing past U+10FFFF) is coded directly. Anything else
// goes through the walk above, one character at a time, so its rules stay the only ones.
inline bool IsPlainScalar(std::uint32_t c) { return c < 0xD800 || (c >= 0xE000 && c <= 0x10FFFF); }

// Where the C library picks a function's form by the processor (GCC on x86-64 ELF), the
// sizing loop below also comes in an AVX2 form, which judges twice as many units at once.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define CW32_SIZING_CLONES __attribute__((target_clones("avx2", "default"), noinline))
#else
#define CW32_SIZING_CLONES
#endif

// The bytes beyond one per unit that a stretch of units needs, and in `odd` whether it holds
// a surrogate or a value past U+10FFFF; no branch per unit, so the compiler takes many units
// side by side.
CW32_SIZING_CLONES static std::size_t StretchExtraBytes(const wchar_t* text, std::size_t n, bool& odd) {
    std::uint32_t extra = 0, flags = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const auto c = static_cast<std::uint32_t>(text[k]);
        extra += static_cast<std::uint32_t>(c >= 0x80) + static_cast<std::uint32_t>(c >= 0x800) +
                 static_cast<std::uint32_t>(c >= 0x10000);
        flags |= static_cast<std::uint32_t>(c - 0xD800 < 0x800) | static_cast<std::uint32_t>(c > 0x10FFFF);
    }
    odd = flags != 0;
    return extra;
}

// Judged a few thousand units at a time; a stretch that holds a surrogate or a value past
// U+10FFFF, and all text after it, is measured by the walk.
inline std::size_t Utf8LengthFast(const wchar_t* text, std::size_t count) {
    constexpr std::size_t kStretch = 4096;
    std::size_t bytes = count;
    for (std::size_t at = 0; at < count; at += kStretch) {
        const std::size_t n = count - at < kStretch ? count - at : kStretch;
        bool odd = false;
        const std::size_t extra = StretchExtraBytes(text + at, n, odd);
        if (odd) return bytes - (count - at) + Utf8Length(text + at, count - at);
        bytes += extra;
    }
    return bytes;
}

// Returns the bytes written to `out`, which holds Utf8Length(text, count) bytes. ASCII goes
// four units at a time while it lasts, then unit by unit up to the first ASCII unit after a
// character that is not; a character the direct coding cannot prove goes through the walk.
inline std::size_t EncodeUtf8Fast(const wchar_t* text, std::size_t count, LoneSurrogate lone, char* out) {
    char* const start = out;
    std::size_t i = 0;
    while (i < count) {
        for (; i + 4 <= count; i += 4, out += 4) {
            const std::uint32_t any = static_cast<std::uint32_t>(text[i]) | static_cast<std::uint32_t>(text[i + 1]) |
                                      static_cast<std::uint32_t>(text[i + 2]) | static_cast<std::uint32_t>(text[i + 3]);
            if (any >= 0x80) break;
            for (std::size_t k = 0; k < 4; ++k) out[k] = static_cast<char>(text[i + k]);
        }
        for (; i < count; ++i) {
            const auto c = static_cast<std::uint32_t>(text[i]);
            if (c < 0x80) {
                *out++ = static_cast<char>(c);
                continue;
            }
            if (!IsPlainScalar(c)) break;
            out += EncodeCodePointUtf8(c, out);
            if (i + 1 < count && static_cast<std::uint32_t>(text[i + 1]) < 0x80) {
                ++i;
                break;
            }
        }
        const auto c = i < count ? static_cast<std::uint32_t>(text[i]) : 0;
        if (IsPlainScalar(c)) continue;
        // A surrogate or a value past U+10FFFF: the walk decides, pair or lone.
        const std::size_t step = i + 1 < count && c >= 0xD800 && c <= 0xDBFF &&
                                         static_cast<std::uint32_t>(text[i + 1]) >= 0xDC00 &&
                                         static_cast<std::uint32_t>(text[i + 1]) <= 0xDFFF
                                     ? 2
                                     : 1;
        WalkWide(text + i, step, lone, [](const wchar_t*, std::size_t) {},
                 [&](char32_t code) { out += EncodeCodePointUtf8(code, out); });
        i += step;
    }
    return static_cast<std::size_t>(out - start);
}

}  // namespace cw32::detail
