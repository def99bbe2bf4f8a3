// Wide text to UTF-8 and back.
#include "common-win32/conversions.h"

#include "unicode.h"

#include <cstring>
#include <cwchar>

CStringA WideToAnsi(const wchar_t* text, DWORD encoding) {
    CStringA result;
    if (encoding != CW32_ENCODING_UTF8 || text == nullptr) return result;
    const std::size_t count = std::wcslen(text);
    const std::size_t bytes = cw32::detail::Utf8LengthFast(text, count);
    if (bytes < 1) return result;
    char* out = result.GetBuffer(static_cast<int>(bytes));
    cw32::detail::EncodeUtf8Fast(text, count, cw32::detail::LoneSurrogate::Keep, out);
    result.ReleaseBuffer(static_cast<int>(bytes));
    return result;
}

CStringA ToAnsi(const wchar_t* text, DWORD encoding) { return WideToAnsi(text, encoding); }

CString AnsiToWide(const char* text, DWORD encoding) {
    CString result;
    if (encoding != CW32_ENCODING_UTF8 || text == nullptr) return result;
    // The system's decoder, flags 0: each invalid sequence becomes U+FFFD. No byte gives more
    // than one wide unit (a four-byte sequence gives at most two), so one call into a buffer of
    // the byte count fills it without a sizing pass.
    const int size = static_cast<int>(std::strlen(text)) + 1;
    wchar_t* out = result.GetBuffer(size);
    const int written = MultiByteToWideChar(CP_UTF8, 0, text, size, out, size);
    // The text ends at the decoded NUL, which is most often the last unit, but not always: a
    // sequence cut short by the end of the input ("\xF0\x80" and the NUL) may take the NUL into
    // its U+FFFD, and then the U+FFFD is the last unit and stays.
    int length = written > 0 ? written : 0;
    if (length > 0 && out[length - 1] == L'\0') --length;
    result.ReleaseBuffer(length);
    return result;
}

CString AnsiToText(const char* text, DWORD encoding) { return AnsiToWide(text, encoding); }

CString WideToText(const wchar_t* text, DWORD /*encoding*/) { return CString(text ? text : L""); }
