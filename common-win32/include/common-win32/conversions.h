// Text conversions between wide text and UTF-8, the log stamp's date and time, system message
// texts, locale queries and the user-interface language.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

// The one encoding selector that converts: UTF-8. Every other value gives an empty result.
constexpr DWORD CW32_ENCODING_UTF8 = 1;

CW32_API CStringA WideToAnsi(const wchar_t* text, DWORD encoding);
CW32_API CStringA ToAnsi(const wchar_t* text, DWORD encoding);
CW32_API CString AnsiToWide(const char* text, DWORD encoding);
CW32_API CString AnsiToText(const char* text, DWORD encoding);
CW32_API CString WideToText(const wchar_t* text, DWORD encoding);

CW32_API CString GetDateString();  // local date, "%Y/%m/%d"
CW32_API CString GetTimeString();  // local time, "%I:%M:%S" (12-hour clock, no AM/PM)

// The system's text for an error code (with its trailing line break); false and an empty text
// when the system has none in that language.
CW32_API bool GetSystemMessage(DWORD messageId, CString& text, WORD language);

// The system's GetLocaleInfoW into a CString: the characters written with the NUL, 0 on failure.
CW32_API int GetLocaleInfoW(LCID locale, LCTYPE item, CString& text);

// The interface language for the current user: the user's primary language with its default
// sublanguage, simplified or traditional Chinese by region. Always returns false; the language
// is written on every path.
CW32_API bool GetSupportedLocale(unsigned short& language);
