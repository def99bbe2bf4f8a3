// POSIX emulation of the locale queries; no library logic here. The LCIDs come from the POSIX
// locale environment through the locale table.
#include "core/calllog.h"
#include "core/fault.h"
#include "locale/locale_table.h"
#include "core/unsupported.h"

#include <winport/errors.h>
#include <winport/locale.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

using namespace winport::detail;

// Every code page a locale names is UTF-8: that is what POSIX programs read and write.
constexpr DWORD kUtf8CodePage = 65001;

constexpr LCTYPE kItemFlags = LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP | LOCALE_RETURN_NUMBER |
                              LOCALE_RETURN_GENITIVE_NAMES | LOCALE_ALLOW_NEUTRAL_NAMES;

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

const char* FirstSet(std::initializer_list<const char*> variables) {
    for (const char* name : variables) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return "";
}

// The POSIX rule for which variable names the locale of messages.
LCID UserLcid() { return LcidFromPosixLocale(FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"})); }
// LANG is the default every category falls back to: the session's, as set by the system.
LCID SystemLcid() { return LcidFromPosixLocale(FirstSet({"LANG"})); }

// The entry a caller's LCID names, the default pseudo-locales resolved; null with the error set.
const LocaleEntry* ResolveLocale(LCID lcid) {
    switch (lcid) {
    case LOCALE_NEUTRAL: case LOCALE_USER_DEFAULT: case LOCALE_CUSTOM_DEFAULT: case LOCALE_CUSTOM_UI_DEFAULT:
        lcid = UserLcid();
        break;
    case LOCALE_SYSTEM_DEFAULT:
        lcid = SystemLcid();
        break;
    default:
        break;
    }
    if (const LocaleEntry* entry = FindLocale(lcid)) return entry;
    if (SORTIDFROMLCID(lcid) != 0 && (lcid >> 20) == 0 && FindLocale(LANGIDFROMLCID(lcid))) {
        ReportUnsupported("GetLocaleInfoW", "the alternate sort order of LCID " + std::to_string(lcid));
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    return nullptr;
}

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::strlen(ascii)); }

std::wstring FirstSubtag(const char* name) {
    std::wstring text = Widen(name);
    return text.substr(0, text.find(L'-'));
}

// The region: the subtag of two letters after the language ("RS" of "sr-Latn-RS", "ES" of
// "ca-ES-valencia").
std::wstring RegionSubtag(const char* name) {
    std::wstring text = Widen(name);
    std::size_t start = text.find(L'-');
    while (start != std::wstring::npos) {
        std::size_t end = text.find(L'-', start + 1);
        std::wstring subtag = text.substr(start + 1, end == std::wstring::npos ? std::wstring::npos : end - start - 1);
        if (subtag.size() == 2) return subtag;
        start = end;
    }
    return std::wstring();
}

struct ItemValue {
    std::wstring text;
    bool numeric = false;
    DWORD number = 0;
};

bool ItemOf(const LocaleEntry& locale, LCTYPE item, ItemValue& value) {
    switch (item) {
    case LOCALE_ILANGUAGE:
    case LOCALE_IDEFAULTLANGUAGE: {
        wchar_t hex[8];
        std::swprintf(hex, 8, L"%04x", static_cast<unsigned>(LANGIDFROMLCID(locale.lcid)));
        value = {hex, true, LANGIDFROMLCID(locale.lcid)};
        return true;
    }
    case LOCALE_IDEFAULTANSICODEPAGE:
    case LOCALE_IDEFAULTCODEPAGE:
        value = {std::to_wstring(kUtf8CodePage), true, kUtf8CodePage};
        return true;
    case LOCALE_SENGLISHLANGUAGENAME: value.text = locale.language; return true;
    case LOCALE_SENGLISHCOUNTRYNAME: value.text = locale.country; return true;
    case LOCALE_SNAME: value.text = Widen(locale.name); return true;
    case LOCALE_SISO639LANGNAME:
        value.text = locale.lcid == LOCALE_INVARIANT ? L"iv" : FirstSubtag(locale.name);
        return true;
    case LOCALE_SISO3166CTRYNAME:
        value.text = locale.lcid == LOCALE_INVARIANT ? L"IV" : RegionSubtag(locale.name);
        return true;
    default:
        return false;
    }
}

LANGID LangOf(LCID lcid) { return LANGIDFROMLCID(lcid); }

}  // namespace

extern "C" int WINAPI GetLocaleInfoW(LCID Locale, LCTYPE LCType, LPWSTR lpLCData, int cchData) {
    LogCall("GetLocaleInfoW", [&] { return "locale=" + std::to_string(Locale) + " item=" + std::to_string(LCType); });
    if (FaultPoint("GetLocaleInfoW")) return 0;
    if (cchData < 0 || (cchData > 0 && lpLCData == nullptr)) return Fail(ERROR_INVALID_PARAMETER);
    const LocaleEntry* locale = Locale == LOCALE_INVARIANT ? &InvariantLocale() : ResolveLocale(Locale);
    if (locale == nullptr) return 0;

    const LCTYPE item = LCType & ~kItemFlags;
    ItemValue value;
    // Genitive names exist only for month names, which winport does not have.
    if ((LCType & LOCALE_RETURN_GENITIVE_NAMES) || !ItemOf(*locale, item, value)) return Fail(ERROR_INVALID_FLAGS);

    if (LCType & LOCALE_RETURN_NUMBER) {
        if (!value.numeric) return Fail(ERROR_INVALID_FLAGS);
        // A DWORD written into the text buffer: one wchar_t on POSIX, two WCHARs on Windows.
        constexpr int kUnits = static_cast<int>((sizeof(DWORD) + sizeof(WCHAR) - 1) / sizeof(WCHAR));
        if (cchData == 0) return kUnits;
        if (cchData < kUnits) return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(lpLCData, &value.number, sizeof(DWORD));
        return kUnits;
    }
    const int needed = static_cast<int>(value.text.size()) + 1;
    if (cchData == 0) return needed;
    if (cchData < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpLCData, value.text.c_str(), static_cast<std::size_t>(needed) * sizeof(WCHAR));
    return needed;
}

extern "C" LCID WINAPI GetUserDefaultLCID(void) { return UserLcid(); }
extern "C" LCID WINAPI GetSystemDefaultLCID(void) { return SystemLcid(); }
extern "C" LANGID WINAPI GetUserDefaultLangID(void) { return LangOf(UserLcid()); }
extern "C" LANGID WINAPI GetSystemDefaultLangID(void) { return LangOf(SystemLcid()); }
extern "C" LANGID WINAPI GetUserDefaultUILanguage(void) { return LangOf(UserLcid()); }
extern "C" LANGID WINAPI GetSystemDefaultUILanguage(void) { return LangOf(SystemLcid()); }
