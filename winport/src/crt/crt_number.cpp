// The Microsoft C runtime's decimal readers _wtoi and _wtol with its character rules,
// which differ from glibc's: leading white space includes the Unicode spaces, and the decimal
// digits of eighteen scripts count, not only 0-9. No library logic here.
#include <winport/crt.h>

#include <cstdint>

namespace {

// First units of the ten-digit runs the runtime reads as 0-9 (ASCII, Arabic-Indic, extended
// Arabic-Indic, Devanagari, Bengali, Gurmukhi, Gujarati, Oriya, Telugu, Kannada, Malayalam,
// Thai, Lao, Tibetan, Myanmar, Khmer, Mongolian, full-width).
constexpr std::uint32_t kDigitZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0C66,
                                         0x0CE6, 0x0D66, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};

int DigitValue(wchar_t c) {
    const auto unit = static_cast<std::uint32_t>(c);
    for (std::uint32_t zero : kDigitZeros) {
        if (unit >= zero && unit <= zero + 9) return static_cast<int>(unit - zero);
    }
    return -1;
}

// The runtime's white space: the C0 controls tab to carriage return, the space, the no-break
// space, and the Unicode space separators and line and paragraph separators (not U+0085).
bool IsSpace(wchar_t c) {
    const auto unit = static_cast<std::uint32_t>(c);
    return (unit >= 0x09 && unit <= 0x0D) || unit == 0x20 || unit == 0xA0 || unit == 0x1680 ||
           (unit >= 0x2000 && unit <= 0x200A) || unit == 0x2028 || unit == 0x2029 || unit == 0x202F ||
           unit == 0x205F || unit == 0x3000;
}

// White space, an optional sign, then digits up to the first other character; the value is
// held at the 32-bit limit it passes, as the runtime saturates.
std::int32_t ReadDecimal(const wchar_t* text) {
    constexpr std::int32_t lowest = INT32_MIN, highest = INT32_MAX;
    if (text == nullptr) return 0;
    while (IsSpace(*text)) ++text;
    const bool negative = *text == L'-';
    if (*text == L'-' || *text == L'+') ++text;
    std::int32_t value = 0;  // accumulated towards the sign, so the lowest value is reachable
    for (int digit; (digit = DigitValue(*text)) >= 0; ++text) {
        if (negative) value = value < (lowest + digit) / 10 ? lowest : value * 10 - digit;
        else value = value > (highest - digit) / 10 ? highest : value * 10 + digit;
    }
    return value;
}

}  // namespace

// Windows' int and long both have 32 bits.
extern "C" int _wtoi(const wchar_t* str) { return ReadDecimal(str); }
extern "C" long _wtol(const wchar_t* str) { return ReadDecimal(str); }
