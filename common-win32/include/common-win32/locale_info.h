// Locale queries and the user-interface language.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

// The system's GetLocaleInfoW into a CString: the characters written with the NUL, 0 on failure.
CW32_API int GetLocaleInfoW(LCID locale, LCTYPE item, CString& text);

// The interface language for the current user: the user's primary language with its default
// sublanguage, simplified or traditional Chinese by region. Always returns false; the language
// is written on every path.
CW32_API bool GetSupportedLocale(unsigned short& language);
