// Wide text to UTF-8 and back.
#include "common-win32/conversions.h"

#include "unicode.h"

#include <cwchar>

CStringA WideToAnsi(const wchar_t* text, DWORD encoding) {
    CStringA result;
    if (encoding != CW32_ENCODING_UTF8 || text == nullptr) return result;
    const std::size_t count = std::wcslen(text);
    const std::size_t bytes = cw32::detail::Utf8Length(text, count);
    if (bytes < 1) return result;
    char* out = result.GetBufferSetLength(static_cast<int>(bytes));
    cw32::detail::EncodeUtf8(text, count, cw32::detail::LoneSurrogate::Keep, out);
    result.ReleaseBuffer(static_cast<int>(bytes));
    return result;
}

CStringA ToAnsi(const wchar_t* text, DWORD encoding) { return WideToAnsi(text, encoding); }

CString AnsiToWide(const char* text, DWORD encoding) {
    CString result;
    if (encoding != CW32_ENCODING_UTF8 || text == nullptr) return result;
    // The system's decoder, flags 0: each invalid sequence becomes U+FFFD.
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (needed < 1) return result;
    wchar_t* out = result.GetBuffer(needed + 1);
    const int written = MultiByteToWideChar(CP_UTF8, 0, text, -1, out, needed + 1);
    out[written > 0 ? written : 0] = L'\0';
    result.ReleaseBuffer();  // up to the decoded NUL
    return result;
}

CString AnsiToText(const char* text, DWORD encoding) { return AnsiToWide(text, encoding); }

CString WideToText(const wchar_t* text, DWORD /*encoding*/) { return CString(text ? text : L""); }
