// FileRecursiveCopy: a file or a whole tree copied by the shell, silently.
#include "common-win32/files.h"

#include "common-win32/log.h"
#include "common-win32/platform.h"

#include <vector>

namespace {

// The shell reads lists of paths, each ended by a NUL, the list by one more.
std::vector<wchar_t> PathList(const CString& path) {
    std::vector<wchar_t> list(path.GetString(), path.GetString() + path.GetLength());
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

}  // namespace

bool FileRecursiveCopy(boost::shared_ptr<ILogger> logger, CString source, CString destination) {
    const std::vector<wchar_t> from = PathList(source);
    const std::vector<wchar_t> to = PathList(destination);
    SHFILEOPSTRUCTW operation = {};
    operation.hwnd = nullptr;
    operation.wFunc = FO_COPY;
    operation.pFrom = from.data();
    operation.pTo = to.data();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    operation.fAnyOperationsAborted = FALSE;
    operation.hNameMappings = nullptr;
    operation.lpszProgressTitle = nullptr;
    const int result = SHFileOperationW(&operation);

    CString message;
    message.Format(L"FileRecursiveCopy - SHFileOperation return code: %d", result);
    LogMessage(logger, message);
    // The result says what the shell said: success, and nothing left undone.
    return result == 0 && !operation.fAnyOperationsAborted;
}
