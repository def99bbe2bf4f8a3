// Backslash escapes for values that travel through punctuation-sensitive text and lists.
#include "common-win32/escaping.h"

namespace {

// Characters are compared by their whole value: a non-ASCII character whose low byte happens
// to be a letter is still escaped.
bool IsAsciiAlphanumeric(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

CString EscapeNonAlpha(CString text) {
    CString out;
    const int length = text.GetLength();
    wchar_t* buffer = out.GetBuffer(length * 2);
    int n = 0;
    for (int i = 0; i < length; ++i) {
        const wchar_t c = text.GetAt(i);
        if (!IsAsciiAlphanumeric(c)) buffer[n++] = L'\\';
        buffer[n++] = c;
    }
    out.ReleaseBuffer(n);
    return out;
}

CString UnEscapeNonAlpha(CString text) {
    // A backslash always protects the character after it, whatever it is; a lone backslash at
    // the very end protects nothing and is dropped.
    CString out;
    const int length = text.GetLength();
    wchar_t* buffer = out.GetBuffer(length);
    int n = 0;
    for (int i = 0; i < length; ++i) {
        wchar_t c = text.GetAt(i);
        if (c == L'\\') {
            if (++i == length) break;
            c = text.GetAt(i);
        }
        buffer[n++] = c;
    }
    out.ReleaseBuffer(n);
    return out;
}

CString EscapeSeparator(CString value, const wchar_t* separator) {
    value.Replace(L"\\", L"\\\\");
    if (separator != nullptr && *separator != L'\0') {
        CString escaped(L"\\");
        escaped += separator;
        value.Replace(separator, escaped.GetString());
    }
    return value;
}

CString UnescapeSeparator(CString value, const wchar_t* separator) {
    // Pairs first, then the escaped separator: in escaped text a separator always follows an
    // odd run of backslashes, which the first step shortens to the value's own run plus one.
    value.Replace(L"\\\\", L"\\");
    if (separator != nullptr && *separator != L'\0') {
        CString escaped(L"\\");
        escaped += separator;
        value.Replace(escaped.GetString(), separator);
    }
    return value;
}
