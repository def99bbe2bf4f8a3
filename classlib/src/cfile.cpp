// CFile and its exceptions, on the Win32 file API (winport's on POSIX).
#include <common-win32/cfile.h>

#include <algorithm>

// ---- Exceptions ----------------------------------------------------------------------------

CException::~CException() = default;

void CException::Delete() { delete this; }

CFileException::CFileException(int cause, LONG lOsError, const wchar_t* fileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(fileName) {}

CFileException::~CFileException() = default;

int CFileException::OsErrorToException(LONG lOsError) {
    switch (lOsError) {
        case NO_ERROR: return none;
        case ERROR_FILE_NOT_FOUND: return fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE: return badPath;
        case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_FILE_EXISTS:  // the file is in the way of one to be created
        case ERROR_ALREADY_EXISTS: return accessDenied;
        case ERROR_INVALID_HANDLE: return invalidFile;
        case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
        case ERROR_NO_MORE_FILES:
        case ERROR_CANNOT_MAKE: return directoryFull;
        case ERROR_SEEK:
        case ERROR_NEGATIVE_SEEK: return badSeek;
        case ERROR_WRITE_PROTECT:
        case ERROR_BAD_UNIT:
        case ERROR_NOT_READY:
        case ERROR_CRC:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE: return hardIO;
        case ERROR_SHARING_VIOLATION: return sharingViolation;
        case ERROR_LOCK_VIOLATION: return lockViolation;
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_DISK_FULL: return diskFull;
        case ERROR_HANDLE_EOF: return endOfFile;
        default: return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, const wchar_t* fileName) {
    throw new CFileException(OsErrorToException(lOsError), lOsError, fileName);
}

void AfxThrowFileException(int cause, LONG lOsError, const wchar_t* fileName) {
    throw new CFileException(cause, lOsError, fileName);
}

// ---- CFile ---------------------------------------------------------------------------------

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(const wchar_t* fileName, UINT nOpenFlags) : CFile() {
    CFileException error;
    if (!Open(fileName, nOpenFlags, &error)) AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile() {
    if (m_hFile != hFileNull && m_bCloseOnDelete) CloseHandle(m_hFile);
}

namespace {

// The CreateFileW arguments for a set of open flags; false for flags that make no sense.
struct CreateArguments {
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = OPEN_EXISTING;
};

bool TranslateOpenFlags(UINT flags, CreateArguments& args) {
    constexpr UINT kKnown = 0x3 | 0x70 | CFile::modeNoInherit | CFile::modeCreate | CFile::modeNoTruncate |
                            CFile::typeText | CFile::typeBinary;
    if ((flags & ~kKnown) != 0) return false;
    switch (flags & 0x3) {
        case CFile::modeRead: args.access = GENERIC_READ; break;
        case CFile::modeWrite: args.access = GENERIC_WRITE; break;
        case CFile::modeReadWrite: args.access = GENERIC_READ | GENERIC_WRITE; break;
        default: return false;
    }
    switch (flags & 0x70) {
        case CFile::shareCompat:  // compatibility mode is exclusive, as in the Windows class library
        case CFile::shareExclusive: args.share = 0; break;
        case CFile::shareDenyWrite: args.share = FILE_SHARE_READ; break;
        case CFile::shareDenyRead: args.share = FILE_SHARE_WRITE; break;
        case CFile::shareDenyNone: args.share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
        default: return false;
    }
    if (flags & CFile::modeCreate) args.disposition = (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    return true;
}

}  // namespace

BOOL CFile::Open(const wchar_t* fileName, UINT nOpenFlags, CFileException* pError) {
    // A second Open must not lose the first handle: an owned one is closed, a wrapped one let go.
    if (m_hFile != hFileNull && m_bCloseOnDelete) CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();

    DWORD error = NO_ERROR;
    CreateArguments args;
    if (fileName == nullptr || *fileName == 0) {
        error = ERROR_PATH_NOT_FOUND;
    } else if (!TranslateOpenFlags(nOpenFlags, args)) {
        error = ERROR_INVALID_PARAMETER;
    } else {
        SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, (nOpenFlags & modeNoInherit) ? FALSE : TRUE};
        HANDLE handle = CreateFileW(fileName, args.access, args.share, &security, args.disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_hFile = handle;
            m_bCloseOnDelete = TRUE;
            m_strFileName = fileName;
            return TRUE;
        }
        error = GetLastError();
    }
    if (pError != nullptr) {
        pError->m_cause = CFileException::OsErrorToException(static_cast<LONG>(error));
        pError->m_lOsError = static_cast<LONG>(error);
        pError->m_strFileName = fileName;
    }
    SetLastError(error);
    return FALSE;
}

void CFile::ThrowLastError() const { CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName); }

void CFile::ThrowIfClosed() const {
    if (m_hFile == hFileNull) AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count) {
    ThrowIfClosed();
    if (count == 0) return 0;
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, count, &read, nullptr)) ThrowLastError();
    return read;
}

void CFile::Write(const void* buffer, UINT count) {
    ThrowIfClosed();
    if (count == 0) return;
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr)) ThrowLastError();
    if (written != count) AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    ThrowIfClosed();
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    position.QuadPart = 0;
    if (!SetFilePointerEx(m_hFile, distance, &position, from)) ThrowLastError();
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetPosition() const {
    ThrowIfClosed();
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER position;
    position.QuadPart = 0;
    if (!SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT)) ThrowLastError();
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
    ThrowIfClosed();
    LARGE_INTEGER size;
    size.QuadPart = 0;
    if (!GetFileSizeEx(m_hFile, &size)) ThrowLastError();
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG newLength) {
    Seek(static_cast<LONGLONG>(newLength), begin);
    if (!SetEndOfFile(m_hFile)) ThrowLastError();
}

void CFile::Flush() {
    if (m_hFile == hFileNull) return;
    if (!FlushFileBuffers(m_hFile)) ThrowLastError();
}

void CFile::Close() {
    DWORD error = NO_ERROR;
    if (m_hFile != hFileNull && !CloseHandle(m_hFile)) error = GetLastError();
    const CString name = m_strFileName;
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
    if (error != NO_ERROR) CFileException::ThrowOsError(static_cast<LONG>(error), name);
}

void CFile::Abort() {
    if (m_hFile != hFileNull) CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

CString CFile::GetFileName() const {
    const int slash = std::max(m_strFileName.ReverseFind(L'\\'), m_strFileName.ReverseFind(L'/'));
    return m_strFileName.Mid(slash + 1);
}
