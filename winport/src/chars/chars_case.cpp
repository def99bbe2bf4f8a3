// POSIX emulation of the string and case routines (lstrlenW, lstrcmpiW, CharUpperW ...); no
// library logic here. Case comes from the C library's Unicode tables in the C.UTF-8 locale,
// whatever locale the process itself runs in (the classes: char_classes.cpp).
#include <winport/chars.h>

#include <clocale>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <initializer_list>
#include <locale.h>

namespace {

// The locale whose tables answer; null when the C library has no UTF-8 locale at all, and
// then only ASCII has case.
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
