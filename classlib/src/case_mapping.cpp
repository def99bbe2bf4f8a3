// Simple (one-to-one) case mapping for CStringT, independent of the C runtime's locale so that
// MakeLower, MakeUpper and CompareNoCase give the same answer on every platform. Covered: ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic, which is what names and paths in installer
// texts use; other characters are left as they are.
#include <common-win32/cstring.h>

#include <cstdint>

namespace cw32::detail {
namespace {

bool Within(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

// Latin Extended-A and the Cyrillic supplement pair each capital with the next code point; in
// most runs the capital is even, in a few it is odd.
bool IsPairedCapital(char32_t c) {
    if (Within(c, 0x139, 0x148) || Within(c, 0x179, 0x17E) || Within(c, 0x4C1, 0x4CE)) return c % 2 == 1;
    if (Within(c, 0x100, 0x12F) || Within(c, 0x132, 0x137) || Within(c, 0x14A, 0x177) || Within(c, 0x460, 0x481) ||
        Within(c, 0x48A, 0x4BF) || Within(c, 0x4D0, 0x52F))
        return c % 2 == 0;
    return false;
}
bool IsPairedSmall(char32_t c) { return c > 0 && IsPairedCapital(c - 1); }

char32_t ToLower(char32_t c) {
    if (c < 0x80) return Within(c, 'A', 'Z') ? c + 0x20 : c;
    if (Within(c, 0xC0, 0xDE) && c != 0xD7) return c + 0x20;
    if (IsPairedCapital(c)) return c + 1;
    switch (c) {
        case 0x130: return 'i';
        case 0x178: return 0xFF;
        case 0x386: return 0x3AC;
        case 0x38C: return 0x3CC;
        case 0x4C0: return 0x4CF;
        default: break;
    }
    if (Within(c, 0x388, 0x38A)) return c + 37;
    if (Within(c, 0x38E, 0x38F)) return c + 63;
    if (Within(c, 0x391, 0x3AB) && c != 0x3A2) return c + 0x20;
    if (Within(c, 0x400, 0x40F)) return c + 0x50;
    if (Within(c, 0x410, 0x42F)) return c + 0x20;
    return c;
}

char32_t ToUpper(char32_t c) {
    if (c < 0x80) return Within(c, 'a', 'z') ? c - 0x20 : c;
    if (Within(c, 0xE0, 0xFE) && c != 0xF7) return c - 0x20;
    if (IsPairedSmall(c)) return c - 1;
    switch (c) {
        case 0xB5: return 0x39C;
        case 0xFF: return 0x178;
        case 0x131: return 'I';
        case 0x17F: return 'S';
        case 0x3AC: return 0x386;
        case 0x3C2: return 0x3A3;
        case 0x3CC: return 0x38C;
        case 0x4CF: return 0x4C0;
        default: break;
    }
    if (Within(c, 0x3AD, 0x3AF)) return c - 37;
    if (Within(c, 0x3CD, 0x3CE)) return c - 63;
    if (Within(c, 0x3B1, 0x3CB)) return c - 0x20;
    if (Within(c, 0x430, 0x44F)) return c - 0x20;
    if (Within(c, 0x450, 0x45F)) return c - 0x50;
    return c;
}

// Wide units are mapped one by one: every mapped character lies in the Basic Multilingual
// Plane, so surrogates (UTF-16) pass through unchanged.
char32_t Unit(wchar_t c) { return static_cast<std::make_unsigned_t<wchar_t>>(c); }
char32_t Unit(char c) { return static_cast<unsigned char>(c); }
char32_t LowerUnit(wchar_t c) { return ToLower(Unit(c)); }
char32_t LowerUnit(char c) { return Within(Unit(c), 'A', 'Z') ? Unit(c) + 0x20 : Unit(c); }

template <class XCHAR>
int CompareFolded(const XCHAR* a, int a_length, const XCHAR* b, int b_length) {
    const int common = a_length < b_length ? a_length : b_length;
    for (int i = 0; i < common; ++i) {
        const char32_t x = LowerUnit(a[i]);
        const char32_t y = LowerUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a_length < b_length ? -1 : a_length > b_length ? 1 : 0;
}

}  // namespace

void LowerCase(wchar_t* text, int length) {
    for (int i = 0; i < length; ++i) text[i] = static_cast<wchar_t>(ToLower(Unit(text[i])));
}
void UpperCase(wchar_t* text, int length) {
    for (int i = 0; i < length; ++i) text[i] = static_cast<wchar_t>(ToUpper(Unit(text[i])));
}
void LowerCase(char* text, int length) {
    for (int i = 0; i < length; ++i)
        if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] + 0x20);
}
void UpperCase(char* text, int length) {
    for (int i = 0; i < length; ++i)
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 0x20);
}

int CompareNoCase(const wchar_t* a, int a_length, const wchar_t* b, int b_length) {
    return CompareFolded(a, a_length, b, b_length);
}
int CompareNoCase(const char* a, int a_length, const char* b, int b_length) {
    return CompareFolded(a, a_length, b, b_length);
}

}  // namespace cw32::detail
