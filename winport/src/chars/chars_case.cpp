// POSIX emulation of the string and character-class routines (lstrlenW, lstrcmpiW, CharUpperW,
// IsCharAlphaW ...); no library logic here. Classes and case come from the C library's
// Unicode tables in the C.UTF-8 locale, whatever locale the process itself runs in.
#include <winport/chars.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <locale.h>

namespace {

// The locale whose tables answer; null when the C library has no UTF-8 locale at all, and
// then only ASCII has case and classes.
locale_t UnicodeTables() {
    static const locale_t tables = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr))) return l;
        }
        return static_cast<locale_t>(nullptr);
    }();
    return tables;
}

bool IsAscii(wint_t c) { return c < 0x80; }

// The first digit of each run of ten decimal digits in the Basic Multilingual Plane. Windows
// counts all of them as digits; the C library files most of them under letters.
constexpr std::uint32_t kDigitZeros[] = {
    0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6, 0x0C66, 0x0CE6, 0x0D66,
    0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0, 0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50,
    0x1BB0, 0x1C40, 0x1C50, 0xA620, 0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10,
};

bool IsDigit(std::uint32_t c) {
    // The superscript digits of Latin-1 are digits to Windows as well.
    if (c == 0x00B2 || c == 0x00B3 || c == 0x00B9) return true;
    const std::uint32_t* after = std::upper_bound(std::begin(kDigitZeros), std::end(kDigitZeros), c);
    return after != std::begin(kDigitZeros) && c - *(after - 1) < 10;
}

bool IsLetter(wint_t c) {
    if (IsDigit(static_cast<std::uint32_t>(c))) return false;
    locale_t l = UnicodeTables();
    return l ? iswalpha_l(c, l) != 0 : (IsAscii(c) && std::iswalpha(c));
}

// Windows cases text without the Turkish rules: dotted capital I and dotless small i keep
// their form, where the C library maps them to plain i and I.
bool KeepsCase(wint_t c) { return c == 0x0130 || c == 0x0131; }

WCHAR Upper(WCHAR c) {
    wint_t w = static_cast<wint_t>(c);
    if (KeepsCase(w)) return c;
    locale_t l = UnicodeTables();
    return static_cast<WCHAR>(l ? towupper_l(w, l) : (IsAscii(w) ? std::towupper(w) : w));
}

WCHAR Lower(WCHAR c) {
    wint_t w = static_cast<wint_t>(c);
    if (KeepsCase(w)) return c;
    locale_t l = UnicodeTables();
    return static_cast<WCHAR>(l ? towlower_l(w, l) : (IsAscii(w) ? std::towlower(w) : w));
}

// A pointer whose upper bits are all zero is a character in disguise (the Windows convention).
bool IsSingleCharacter(LPWSTR p) { return (reinterpret_cast<std::uintptr_t>(p) >> 16) == 0; }

template <class Convert>
LPWSTR ConvertInPlace(LPWSTR text, Convert convert) {
    if (IsSingleCharacter(text)) {
        WCHAR c = static_cast<WCHAR>(reinterpret_cast<std::uintptr_t>(text));
        return reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(convert(c)));
    }
    for (LPWSTR p = text; *p; ++p) *p = convert(*p);
    return text;
}

}  // namespace

extern "C" int WINAPI lstrlenW(LPCWSTR lpString) {
    return lpString ? static_cast<int>(std::wcslen(lpString)) : 0;
}

extern "C" int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
    // A missing string sorts before every string, as on Windows.
    if (lpString1 == nullptr || lpString2 == nullptr) return lpString1 ? 1 : (lpString2 ? -1 : 0);
    for (;; ++lpString1, ++lpString2) {
        const auto a = static_cast<std::uint32_t>(Lower(*lpString1));
        const auto b = static_cast<std::uint32_t>(Lower(*lpString2));
        if (a != b) return a < b ? -1 : 1;
        if (a == 0) return 0;
    }
}

extern "C" LPWSTR WINAPI CharUpperW(LPWSTR lpsz) { return ConvertInPlace(lpsz, Upper); }
extern "C" LPWSTR WINAPI CharLowerW(LPWSTR lpsz) { return ConvertInPlace(lpsz, Lower); }

extern "C" BOOL WINAPI IsCharAlphaW(WCHAR ch) { return IsLetter(static_cast<wint_t>(ch)); }

extern "C" BOOL WINAPI IsCharAlphaNumericW(WCHAR ch) {
    return IsDigit(static_cast<std::uint32_t>(ch)) || IsLetter(static_cast<wint_t>(ch));
}

extern "C" BOOL WINAPI IsCharUpperW(WCHAR ch) {
    wint_t w = static_cast<wint_t>(ch);
    locale_t l = UnicodeTables();
    return l ? iswupper_l(w, l) != 0 : (IsAscii(w) && std::iswupper(w));
}

extern "C" BOOL WINAPI IsCharLowerW(WCHAR ch) {
    wint_t w = static_cast<wint_t>(ch);
    locale_t l = UnicodeTables();
    return l ? iswlower_l(w, l) != 0 : (IsAscii(w) && std::iswlower(w));
}
