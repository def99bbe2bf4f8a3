// System message texts and locale queries.
#include "common-win32/conversions.h"

#include "support/unique_handle.h"

#include <cwchar>

bool GetSystemMessage(DWORD messageId, CString& text, WORD language) {
    text.Empty();
    cw32::UniqueLocalMemory<wchar_t*> buffer;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    const DWORD count = FormatMessageW(flags, nullptr, messageId, language, reinterpret_cast<LPWSTR>(buffer.put()), 0,
                                       nullptr);
    if (count == 0 || !buffer) return false;
    CString message(buffer.get(), static_cast<int>(count));
    // A long message arrives wrapped: the line break the system puts after character 255 is
    // not part of the text. Every other line break, the final one included, stays.
    if (message.GetLength() > 256 && message.GetAt(255) == L'\r' && message.GetAt(256) == L'\n') {
        message.Delete(255, 2);
    }
    text = message;
    return true;
}

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
