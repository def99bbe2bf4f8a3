#include "text_io.h"

namespace cw32::cli {

std::string ToUtf8(const std::wstring& text) {
    std::string bytes;
    std::size_t start = 0;
    for (;;) {
        const std::size_t nul = text.find(L'\0', start);
        const std::wstring piece = text.substr(start, nul == std::wstring::npos ? std::wstring::npos : nul - start);
        const CStringA encoded = WideToAnsi(piece.c_str(), CW32_ENCODING_UTF8);
        bytes.append(encoded.GetString(), static_cast<std::size_t>(encoded.GetLength()));
        if (nul == std::wstring::npos) return bytes;
        bytes.push_back('\0');
        start = nul + 1;
    }
}

std::wstring FromUtf8(const std::string& bytes) {
    std::wstring text;
    std::size_t start = 0;
    for (;;) {
        const std::size_t nul = bytes.find('\0', start);
        const std::string piece = bytes.substr(start, nul == std::string::npos ? std::string::npos : nul - start);
        text += FromCString(AnsiToWide(piece.c_str(), CW32_ENCODING_UTF8));
        if (nul == std::string::npos) return text;
        text.push_back(L'\0');
        start = nul + 1;
    }
}

CString ToCString(const std::wstring& text) { return CString(text.c_str(), static_cast<int>(text.size())); }

std::wstring FromCString(const CString& text) {
    return std::wstring(text.GetString(), static_cast<std::size_t>(text.GetLength()));
}

FilePtr OpenFile(const std::wstring& path, const char* mode) {
#if defined(_WIN32)
    // The C runtime's narrow paths are in the ANSI code page; the wide call takes any name.
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return FilePtr(_wfopen(path.c_str(), wide_mode.c_str()));
#else
    return FilePtr(std::fopen(ToUtf8(path).c_str(), mode));
#endif
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    FilePtr file = OpenFile(path, "rb");
    if (!file) return false;
    char buffer[16384];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
    return std::ferror(file.get()) == 0;
}

}  // namespace cw32::cli
