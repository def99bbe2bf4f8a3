// CStdioFile: 8-bit text lines over CFile, read through a buffer of its own.
#include <common-win32/cfile.h>

#include "unicode.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
// Large enough that reading a big file costs few ReadFile calls.
constexpr UINT kReadBufferSize = 64 * 1024;
}  // namespace

CStdioFile::CStdioFile() = default;

CStdioFile::CStdioFile(const wchar_t* fileName, UINT nOpenFlags) {
    CFileException error;
    if (!Open(fileName, nOpenFlags, &error)) AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CStdioFile::~CStdioFile() = default;

BOOL CStdioFile::Open(const wchar_t* fileName, UINT nOpenFlags, CFileException* pError) {
    m_readNext = m_readEnd = 0;
    m_textMode = (nOpenFlags & typeBinary) == 0;
    return CFile::Open(fileName, nOpenFlags, pError);
}

// The next piece of the current line: the buffered bytes up to the next LF (which is consumed
// and reported through `line_end`) or to the end of the buffer. False at the end of the file.
bool CStdioFile::NextPiece(const char*& bytes, UINT& count, bool& line_end) {
    if (m_readNext == m_readEnd) {
        if (!m_readBuffer) m_readBuffer.reset(new char[kReadBufferSize]);
        m_readNext = m_readEnd = 0;
        m_readEnd = CFile::Read(m_readBuffer.get(), kReadBufferSize);
        if (m_readEnd == 0) return false;
    }
    bytes = m_readBuffer.get() + m_readNext;
    const UINT available = m_readEnd - m_readNext;
    const void* newline = std::memchr(bytes, '\n', available);
    line_end = newline != nullptr;
    count = line_end ? static_cast<UINT>(static_cast<const char*>(newline) - bytes) : available;
    m_readNext += count + (line_end ? 1 : 0);
    return true;
}

template <class XCHAR>
BOOL CStdioFile::ReadLine(CStringT<XCHAR>& line) {
    line.Truncate(0);  // keeps the caller's buffer when it is not shared
    int length = 0;
    bool any = false;
    bool line_end = false;
    const char* bytes = nullptr;
    UINT count = 0;
    while (!line_end && NextPiece(bytes, count, line_end)) {
        any = true;
        XCHAR* to = line.GetBufferSetLength(length + static_cast<int>(count)) + length;
        for (UINT i = 0; i < count; ++i) to[i] = static_cast<XCHAR>(static_cast<unsigned char>(bytes[i]));
        length += static_cast<int>(count);
    }
    if (line_end && length > 0 && line.GetString()[length - 1] == XCHAR('\r')) --length;
    if (any) line.ReleaseBuffer(length);
    return any ? TRUE : FALSE;
}

BOOL CStdioFile::ReadString(CString& line) { return ReadLine(line); }

BOOL CStdioFile::ReadString(CStringA& line) { return ReadLine(line); }

void CStdioFile::WriteText(const char* bytes, std::size_t count) {
    std::string out;
    out.reserve(count + count / 16);
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\n' && m_textMode) out += '\r';
        out += bytes[i];
    }
    for (std::size_t done = 0; done < out.size();) {
        const UINT piece = static_cast<UINT>(std::min<std::size_t>(out.size() - done, 0x40000000));
        Write(out.data() + done, piece);
        done += piece;
    }
}

void CStdioFile::WriteString(const wchar_t* text) {
    if (text == nullptr) return;
    std::string bytes;
    for (const wchar_t* p = text, *end = text + std::char_traits<wchar_t>::length(text); p < end;) {
        const char32_t code = cw32::detail::DecodeWide(p, end);
        bytes += code <= 0xFF ? static_cast<char>(code) : '?';
    }
    WriteText(bytes.data(), bytes.size());
}

void CStdioFile::WriteString(const char* text) {
    if (text != nullptr) WriteText(text, std::char_traits<char>::length(text));
}

UINT CStdioFile::Read(void* buffer, UINT count) {
    const UINT buffered = std::min(count, m_readEnd - m_readNext);
    if (buffered > 0) {
        std::memcpy(buffer, m_readBuffer.get() + m_readNext, buffered);
        m_readNext += buffered;
    }
    if (buffered == count) return count;
    return buffered + CFile::Read(static_cast<char*>(buffer) + buffered, count - buffered);
}

// Moves the handle back to the position the caller has read to and empties the buffer.
void CStdioFile::DiscardReadAhead() {
    if (m_readNext < m_readEnd) CFile::Seek(-static_cast<LONGLONG>(m_readEnd - m_readNext), current);
    m_readNext = m_readEnd = 0;
}

void CStdioFile::Write(const void* buffer, UINT count) {
    DiscardReadAhead();
    CFile::Write(buffer, count);
}

ULONGLONG CStdioFile::Seek(LONGLONG offset, UINT from) {
    if (from == current) offset -= static_cast<LONGLONG>(m_readEnd - m_readNext);
    const ULONGLONG position = CFile::Seek(offset, from);  // on failure the buffer stays valid
    m_readNext = m_readEnd = 0;
    return position;
}

ULONGLONG CStdioFile::GetPosition() const { return CFile::GetPosition() - (m_readEnd - m_readNext); }

void CStdioFile::Close() {
    m_readNext = m_readEnd = 0;
    CFile::Close();
}

void CStdioFile::Abort() {
    m_readNext = m_readEnd = 0;
    CFile::Abort();
}
