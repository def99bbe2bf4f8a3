// CTextFile: writes wide text to a file as UTF-8 bytes (no byte order mark), with an optional
// CR LF line end. The host may use it directly; the variable replacement writes through it.
#pragma once

#include <common-win32/cfile.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

#include <cstddef>

class CW32_API CTextFile {
public:
    // The file stays closed; built without an argument (also as an array element) the
    // encoding is 1, UTF-8.
    CTextFile(DWORD encoding = 1);
    // Opens `path` with the CFile open flags when it is not null; a failed open leaves the
    // object closed and is not reported.
    CTextFile(const wchar_t* path, DWORD openFlags, DWORD encoding);
    // Closes the file if it is open.
    virtual ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // The virtual slots, in this order: destructor, Open, Close, Write, WriteLine, SeekToEnd.
    // Open: false for a null path, else whether the open succeeded; never raises.
    virtual bool Open(const wchar_t* path, DWORD openFlags);
    // True when an open file was closed, false when there was none.
    virtual bool Close();
    // The text's UTF-8 bytes at the current position; false when closed or when the encoding
    // is not 1 (nothing is written then). Write failures raise CFileException*.
    virtual bool Write(const wchar_t* text);
    // The text followed by CR LF, through Write; a null text writes only the line end.
    virtual bool WriteLine(const wchar_t* text);
    // Moves to the end of an open file; false when closed.
    virtual bool SeekToEnd();

protected:
    // Write for `count` characters, NULs included: the path for text that carries its length.
    bool WriteCounted(const wchar_t* text, std::size_t count);
    // Bytes that are UTF-8 already, written as they are: for a writer that builds its output
    // as bytes instead of wide text. False when closed or when the encoding is not 1.
    bool WriteUtf8(const char* bytes, std::size_t count);

private:
    bool IsOpen() const { return file.m_hFile != CFile::hFileNull; }

    CFile file;
    DWORD encoding;
};
