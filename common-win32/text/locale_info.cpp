// Locale queries and the user-interface language.
#include "common-win32/locale_info.h"

int GetLocaleInfoW(LCID locale, LCTYPE item, CString& text) {
    const int needed = ::GetLocaleInfoW(locale, item, nullptr, 0);
    text.Empty();
    if (needed <= 0) return 0;
    wchar_t* buffer = text.GetBuffer(needed);
    const int written = ::GetLocaleInfoW(locale, item, buffer, needed);
    if (written <= 0) buffer[0] = L'\0';
    text.ReleaseBuffer();  // up to the NUL
    return written;
}

bool GetSupportedLocale(unsigned short& language) {
    CString text;
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text) == 0) {
        language = 0x409;
        return false;
    }
    const WORD langid = static_cast<WORD>(_wcstoi64(text.GetString(), nullptr, 16) & 0xFFFF);
    const WORD primary = langid & 0x3FF;
    const WORD sublanguage = langid >> 10;
    if (primary == LANG_CHINESE) {
        // The People's Republic and Singapore write simplified Chinese; everyone else traditional.
        language = (sublanguage == SUBLANG_CHINESE_SIMPLIFIED || sublanguage == SUBLANG_CHINESE_SINGAPORE) ? 0x804
                                                                                                              : 0x404;
    } else {
        language = static_cast<unsigned short>(MAKELANGID(primary, SUBLANG_DEFAULT));
    }
    return false;
}
