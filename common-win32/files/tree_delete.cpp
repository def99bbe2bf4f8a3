// DeleteAllFilesAndDirectories: empties a folder depth-first and removes it.
#include "common-win32/files.h"

#include "common-win32/log.h"
#include "common-win32/platform.h"
#include "support/unique_handle.h"

namespace {

// Consecutive failures of the next-entry step (other than the end of the list) that are
// retried before the enumeration is given up; the folder's removal then fails and says so.
constexpr int kEnumerationRetries = 3;

#define CW32_TREE_TAG L"[RemoveFolderStructure: DeleteAllFilesAndDirectories]: "

void LogFailure(const boost::shared_ptr<ILogger>& logger, const wchar_t* format, DWORD error, const CString& path) {
    CString message;
    message.Format(format, static_cast<int>(error), path.GetString());
    LogMessage(logger, message);
}

// The next entry; false at the end of the list or after a failure that persists.
bool NextEntry(HANDLE find, WIN32_FIND_DATAW& data) {
    for (int attempt = 0; attempt <= kEnumerationRetries; ++attempt) {
        if (FindNextFileW(find, &data)) return true;
        if (GetLastError() == ERROR_NO_MORE_FILES) return false;
    }
    return false;
}

void DeleteEntry(const boost::shared_ptr<ILogger>& logger, const CString& path) {
    const DWORD attributes = GetFileAttributesW(path.GetString());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A link to a folder goes as a link: following it would delete data outside the tree.
            if (!RemoveDirectoryW(path.GetString()))
                LogFailure(logger, CW32_TREE_TAG L"ERROR RemoveDirectory [error %d] %s.", GetLastError(), path);
            return;
        }
        DeleteAllFilesAndDirectories(logger, path.GetString());
        return;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.GetString(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.GetString()))
        LogFailure(logger, CW32_TREE_TAG L"ERROR Delete File (error %d) %s.", GetLastError(), path);
}

}  // namespace

void DeleteAllFilesAndDirectories(boost::shared_ptr<ILogger> logger, const wchar_t* directory) {
    if (directory == nullptr || *directory == L'\0') return;
    CString pattern;
    pattern.Format(L"%s\\*.*", directory);
    WIN32_FIND_DATAW data;
    cw32::UniqueFindHandle find(FindFirstFileW(pattern.GetString(), &data));
    if (!find) {
        CString message;
        message.Format(CW32_TREE_TAG L"ERROR Invalid handle value of %s.", pattern.GetString());
        LogMessage(logger, message);
        return;
    }
    do {
        const CString name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        CString path;
        path.Format(L"%s\\%s", directory, name.GetString());
        DeleteEntry(logger, path);
    } while (NextEntry(find.get(), data));
    if (!find.close()) LogMessage(logger, CW32_TREE_TAG L"ERROR Couldn't close search handle.");
    if (!RemoveDirectoryW(directory))
        LogFailure(logger, CW32_TREE_TAG L"ERROR RemoveDirectory [error %d] %s.", GetLastError(), directory);
}
