// Backslash escapes: every non-alphanumeric character, or the backslash and one separator.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>

CW32_API CString EscapeNonAlpha(CString text);
CW32_API CString UnEscapeNonAlpha(CString text);
CW32_API CString EscapeSeparator(CString value, const wchar_t* separator);
CW32_API CString UnescapeSeparator(CString value, const wchar_t* separator);
