// UTF-32 <-> UTF-8 for winport's own use (paths, store keys); not the Win32 code-page API.
#include "core/text.h"

#include "unicode.h"

#include <winport/errors.h>

#include <cwctype>

namespace winport::detail {

std::string ToUtf8(std::wstring_view text) {
    std::string out(cw32::detail::Utf8Length(text.data(), text.size()), '\0');
    cw32::detail::EncodeUtf8(text.data(), text.size(), cw32::detail::LoneSurrogate::Replace, out.data());
    return out;
}

std::wstring FromUtf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        std::uint32_t c;
        std::size_t len;
        if (b < 0x80) { c = b; len = 1; }
        else if (b >= 0xC2 && b <= 0xDF) { c = b & 0x1F; len = 2; }
        else if (b >= 0xE0 && b <= 0xEF) { c = b & 0x0F; len = 3; }
        else if (b >= 0xF0 && b <= 0xF4) { c = b & 0x07; len = 4; }
        else { out += L'\xFFFD'; ++i; continue; }
        std::size_t j = 1;
        for (; j < len && i + j < bytes.size(); ++j) {
            unsigned char cont = static_cast<unsigned char>(bytes[i + j]);
            if ((cont & 0xC0) != 0x80) break;
            c = (c << 6) | (cont & 0x3F);
        }
        bool bad = j < len || (len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                   (c >= 0xD800 && c <= 0xDFFF);
        out += bad ? L'\xFFFD' : static_cast<wchar_t>(c);
        i += bad ? (j ? j : 1) : len;
    }
    return out;
}

std::string ToPosixPath(const WCHAR* path) {
    std::string p = ToUtf8(path ? std::wstring_view(path) : std::wstring_view());
    for (char& ch : p)
        if (ch == '\\') ch = '/';
    return p;
}

std::wstring FoldCase(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& ch : out) ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
    return out;
}

DWORD CopyOut(std::wstring_view text, WCHAR* buffer, DWORD capacity) {
    DWORD needed = static_cast<DWORD>(text.size()) + 1;
    if (buffer == nullptr || capacity < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return needed;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    return needed - 1;
}

}  // namespace winport::detail
