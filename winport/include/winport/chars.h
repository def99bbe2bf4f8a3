// Code pages and character routines. On POSIX the ANSI and OEM code pages are UTF-8 (65001),
// and wchar_t holds UTF-32: a character above U+FFFF is one wchar_t.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

typedef const CHAR* LPCCH;
typedef const WCHAR* LPCWCH;

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_SYMBOL 42
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_COMPOSITECHECK 0x00000200
#define WC_NO_BEST_FIT_CHARS 0x00000400

extern "C" {
// UTF-8 (CP_UTF8, and CP_ACP, CP_OEMCP and CP_THREAD_ACP, which are UTF-8 here) to wide text,
// as Windows decodes it: each invalid sequence becomes one U+FFFD (see chars.cpp for exactly
// which bytes one U+FFFD stands for). Flags: 0 or MB_ERR_INVALID_CHARS (invalid input then
// fails with ERROR_NO_UNICODE_TRANSLATION); others fail with ERROR_INVALID_FLAGS. Other code
// pages fail with ERROR_NOT_SUPPORTED.
WINPORT_API int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                                           LPWSTR lpWideCharStr, int cchWideChar);
// Wide text to UTF-8. A surrogate pair stored as two wchar_t (text from UTF-16) is one 4-byte
// character; an unpaired surrogate is written as the 3-byte form of its own value (unlike
// Windows, which writes U+FFFD), so that every wide text survives the round trip the way the
// library's own encoder writes it; a value above U+10FFFF becomes U+FFFD. With
// WC_ERR_INVALID_CHARS both fail with ERROR_NO_UNICODE_TRANSLATION.
WINPORT_API int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                                           LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                                           LPBOOL lpUsedDefaultChar);
WINPORT_API UINT WINAPI GetACP(void);    // 65001
WINPORT_API UINT WINAPI GetOEMCP(void);  // 65001: POSIX terminals are UTF-8 too

WINPORT_API int WINAPI lstrlenW(LPCWSTR lpString);
// Case-blind comparison: -1, 0 or 1. Characters are compared one by one after lower-casing,
// not in Windows' linguistic order (which weighs punctuation differently).
WINPORT_API int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);
// In place for a string; a pointer value below 0x10000 is one character, converted and
// returned in the same way, as on Windows.
WINPORT_API LPWSTR WINAPI CharUpperW(LPWSTR lpsz);
WINPORT_API LPWSTR WINAPI CharLowerW(LPWSTR lpsz);
// Character classes from the C library's Unicode tables (the C.UTF-8 locale), with decimal
// digits of every script counted as digits and not letters, as Windows counts them.
WINPORT_API BOOL WINAPI IsCharAlphaW(WCHAR ch);
WINPORT_API BOOL WINAPI IsCharAlphaNumericW(WCHAR ch);
WINPORT_API BOOL WINAPI IsCharUpperW(WCHAR ch);
WINPORT_API BOOL WINAPI IsCharLowerW(WCHAR ch);
}
