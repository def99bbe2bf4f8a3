// Text conversions between wide text and UTF-8.
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
