// CTextFile: UTF-8 text over the class library's CFile.
#include "common-win32/text_file.h"

#include "common-win32/conversions.h"
#include "unicode.h"

#include <algorithm>
#include <cwchar>
#include <string>

CTextFile::CTextFile(DWORD encoding) : encoding(encoding) {}

CTextFile::CTextFile(const wchar_t* path, DWORD openFlags, DWORD encoding) : encoding(encoding) {
    if (path != nullptr) file.Open(path, openFlags);
}

CTextFile::~CTextFile() {
    // A destructor must not raise: a failing close is dropped here, as the file is gone anyway.
    if (IsOpen()) file.Abort();
}

bool CTextFile::Open(const wchar_t* path, DWORD openFlags) {
    if (path == nullptr) return false;
    // A second Open on an open object would otherwise lose the first handle; CFile::Open
    // closes it first, so the object never holds more than one.
    return file.Open(path, openFlags) != FALSE;
}

bool CTextFile::Close() {
    if (!IsOpen()) return false;
    file.Close();
    return true;
}

bool CTextFile::Write(const wchar_t* text) { return WriteCounted(text, text ? std::wcslen(text) : 0); }

bool CTextFile::WriteCounted(const wchar_t* text, std::size_t count) {
    if (!IsOpen() || encoding != CW32_ENCODING_UTF8) return false;
    std::string bytes(cw32::detail::Utf8LengthFast(text, count), '\0');
    cw32::detail::EncodeUtf8Fast(text, count, cw32::detail::LoneSurrogate::Keep, bytes.data());
    return WriteUtf8(bytes.data(), bytes.size());
}

bool CTextFile::WriteUtf8(const char* bytes, std::size_t count) {
    if (!IsOpen() || encoding != CW32_ENCODING_UTF8) return false;
    // CFile writes at most a UINT at a time; empty text is still one (empty) write, as before.
    std::size_t done = 0;
    do {
        const auto piece = static_cast<UINT>(std::min<std::size_t>(count - done, 0x40000000));
        file.Write(bytes + done, piece);
        done += piece;
    } while (done < count);
    return true;
}

bool CTextFile::WriteLine(const wchar_t* text) {
    CString line(text);
    line += L"\r\n";
    return Write(line.GetString());
}

bool CTextFile::SeekToEnd() {
    if (!IsOpen()) return false;
    file.SeekToEnd();
    return true;
}
