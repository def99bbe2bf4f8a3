// File objects with the interface of the Windows class library: CFile over a Win32 file handle,
// CStdioFile for line-by-line text, and CFileException, which both throw (as a pointer, the way
// that library does: the catcher calls Delete()).
//
// Both platforms run the same code on the Win32 file API (CreateFileW, ReadFile, WriteFile,
// SetFilePointerEx, ...); on POSIX that is winport's.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

#include <memory>

// Base of the exceptions thrown as pointers.
class CW32_API CException {
public:
    CException() = default;
    virtual ~CException();
    // Frees an exception that was thrown with new; call it in the handler that catches it.
    void Delete();
};

class CW32_API CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, const wchar_t* fileName = nullptr);
    ~CFileException() override;

    // The cause for a Windows error code (genericException for codes with no closer cause).
    static int OsErrorToException(LONG lOsError);
    [[noreturn]] static void ThrowOsError(LONG lOsError, const wchar_t* fileName = nullptr);

    int m_cause;
    LONG m_lOsError;  // the Windows error code, -1 when there is none
    CString m_strFileName;
};

// Throws a new CFileException.
[[noreturn]] CW32_API void AfxThrowFileException(int cause, LONG lOsError = -1, const wchar_t* fileName = nullptr);

class CW32_API CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,    // create, or truncate an existing file
        modeNoTruncate = 0x2000,  // with modeCreate: keep an existing file's contents
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

    // The handle of a CFile that is not open.
    static const HANDLE hFileNull;

    CFile();
    // Wraps an open handle; the object does not close it on destruction.
    explicit CFile(HANDLE hFile);
    // Opens the file; throws CFileException* when it cannot.
    CFile(const wchar_t* fileName, UINT nOpenFlags);
    // Closes the file if it is open and owned; never throws.
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // FALSE, with the cause in *pError when given and the Windows error as the thread's last
    // error, when the file cannot be opened; never throws. An object that is already open
    // closes its file first.
    virtual BOOL Open(const wchar_t* fileName, UINT nOpenFlags, CFileException* pError = nullptr);

    // The operations below throw CFileException* on failure, also when the file is not open.
    virtual UINT Read(void* buffer, UINT count);  // the bytes read; 0 at the end of the file
    virtual void Write(const void* buffer, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG newLength);  // the position moves to the new end
    virtual void Flush();  // a closed file has nothing to flush
    virtual void Close();  // the object is closed afterwards even when closing failed
    virtual void Abort();  // closes, ignoring every failure; never throws

    CString GetFilePath() const { return m_strFileName; }  // the path as given to Open
    CString GetFileName() const;  // the last component of the path
    void SetFilePath(const wchar_t* path) { m_strFileName = path; }
    operator HANDLE() const { return m_hFile; }

    HANDLE m_hFile;
    BOOL m_bCloseOnDelete;
    CString m_strFileName;

protected:
    [[noreturn]] void ThrowLastError() const;
    void ThrowIfClosed() const;
};

// Text files read and written a line at a time, as 8-bit text: each byte is the character of the
// same value. A line ends at LF or CR LF (a CR before anything else is part of the line), an
// empty line is a line, and a last line without a line end is a line too. Reading goes through a
// buffer of the object's own; the position the file reports stays the one the caller has read to.
class CW32_API CStdioFile : public CFile {
public:
    CStdioFile();
    CStdioFile(const wchar_t* fileName, UINT nOpenFlags);  // throws CFileException*
    ~CStdioFile() override;

    BOOL Open(const wchar_t* fileName, UINT nOpenFlags, CFileException* pError = nullptr) override;

    // The next line without its line end; FALSE (and an empty `line`) at the end of the file.
    BOOL ReadString(CString& line);
    BOOL ReadString(CStringA& line);  // the line's bytes as they are
    // Writes each character as the byte of the same value ('?' for a character above 0xFF). In
    // text mode (any open without typeBinary) each LF is written as CR LF.
    void WriteString(const wchar_t* text);
    void WriteString(const char* text);

    UINT Read(void* buffer, UINT count) override;  // bytes as they are, no line-end translation
    void Write(const void* buffer, UINT count) override;
    ULONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetPosition() const override;
    void Close() override;
    void Abort() override;

private:
    template <class XCHAR>
    BOOL ReadLine(CStringT<XCHAR>& line);
    bool NextPiece(const char*& bytes, UINT& count, bool& line_end);
    void DiscardReadAhead();
    void WriteText(const char* bytes, std::size_t count);

    std::unique_ptr<char[]> m_readBuffer;
    UINT m_readNext = 0;  // first unread byte of the buffer
    UINT m_readEnd = 0;   // end of the bytes in the buffer
    bool m_textMode = true;
};
