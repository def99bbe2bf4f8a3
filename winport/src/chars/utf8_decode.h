// The Windows UTF-8 decoder's rule, one character at a time, and its fast form for sequences
// that are plainly well formed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace winport::detail {

constexpr std::uint32_t kInvalid = 0xFFFFFFFFu;

// Decodes the character at bytes[i] and moves i past the bytes it stands for; kInvalid for
// bytes that become one U+FFFD. This is the Windows decoder's rule, which is not quite the
// "maximal subpart" one: the first continuation byte is taken into the sequence before the
// sequence is judged, so an overlong form (E0 80..9F, F0 80..8F), an encoded surrogate
// (ED A0..BF) and a value above U+10FFFF (F4 90..BF) give one U+FFFD for their first two
// bytes and one for each byte after. A sequence cut short by the end of the input is one U+FFFD
// to the end. A byte that cannot start a sequence (80..C1, F5..FF) is one U+FFFD, and so is a
// lead byte with the continuation bytes it got before a byte that does not continue it.
inline std::uint32_t DecodeUtf8(const unsigned char* bytes, std::size_t size, std::size_t& i) {
    const unsigned char lead = bytes[i++];
    if (lead < 0x80) return lead;
    std::size_t more;
    std::uint32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) { more = 1; value = lead & 0x1Fu; }
    else if (lead >= 0xE0 && lead <= 0xEF) { more = 2; value = lead & 0x0Fu; }
    else if (lead >= 0xF0 && lead <= 0xF4) { more = 3; value = lead & 0x07u; }
    else return kInvalid;
    if (size - i < more) {
        i = size;
        return kInvalid;
    }
    for (std::size_t k = 0; k < more; ++k) {
        const unsigned char next = bytes[i];
        if ((next & 0xC0) != 0x80) return kInvalid;
        value = (value << 6) | (next & 0x3Fu);
        ++i;
        if (k == 0 && more == 2 && (value < 0x20 || (value >= 0x360 && value <= 0x37F))) return kInvalid;
        if (k == 0 && more == 3 && (value < 0x10 || value > 0x10F)) return kInvalid;
    }
    return value;
}

// The same answer as DecodeUtf8: a complete 2, 3 or 4 byte sequence of a scalar value is
// decoded straight; everything else (broken, overlong, surrogate, past U+10FFFF, cut short) is
// left to DecodeUtf8.
inline std::uint32_t DecodeUtf8Fast(const unsigned char* bytes, std::size_t size, std::size_t& i) {
    const std::size_t left = size - i;
    const unsigned lead = bytes[i];
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && (bytes[i + 1] & 0xC0) == 0x80) {
        const std::uint32_t value = ((lead & 0x1Fu) << 6) | (bytes[i + 1] & 0x3Fu);
        i += 2;
        return value;
    }
    if ((lead & 0xF0) == 0xE0 && left >= 3 && (bytes[i + 1] & 0xC0) == 0x80 && (bytes[i + 2] & 0xC0) == 0x80) {
        const std::uint32_t value = ((lead & 0x0Fu) << 12) | ((bytes[i + 1] & 0x3Fu) << 6) | (bytes[i + 2] & 0x3Fu);
        if (value >= 0x800 && (value < 0xD800 || value > 0xDFFF)) {
            i += 3;
            return value;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && (bytes[i + 1] & 0xC0) == 0x80 &&
               (bytes[i + 2] & 0xC0) == 0x80 && (bytes[i + 3] & 0xC0) == 0x80) {
        const std::uint32_t value = ((lead & 0x07u) << 18) | ((bytes[i + 1] & 0x3Fu) << 12) |
                                    ((bytes[i + 2] & 0x3Fu) << 6) | (bytes[i + 3] & 0x3Fu);
        if (value >= 0x10000 && value <= 0x10FFFF) {
            i += 4;
            return value;
        }
    }
    return DecodeUtf8(bytes, size, i);
}

}  // namespace winport::detail
