// Temporary environment variables: set one for a while, then put it back or remove it.
#include "common-win32/process.h"

#include "common-win32/log.h"

#include <vector>

namespace {

constexpr DWORD kFirstReadCapacity = 260;  // characters, terminator included

void LogFailure(const boost::shared_ptr<ILogger>& logger, const wchar_t* format, DWORD error) {
    CString line;
    line.Format(format, static_cast<int>(error));
    LogMessage(logger, line);
}

}  // namespace

CString temporarySetEnvironmentVariable(boost::shared_ptr<ILogger> logger, CString name, CString value, bool& existed) {
    // Zero-filled: a read that fails leaves an empty previous value behind.
    std::vector<wchar_t> buffer(kFirstReadCapacity, L'\0');
    const DWORD first = GetEnvironmentVariableW(name.GetString(), buffer.data(), kFirstReadCapacity);
    if (first == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
            CString line;
            line.Format(L"Environment variable %s does not exist.\n", name.GetString());
            LogMessage(logger, line);
            existed = false;
        }
        // Any other failure (an empty value reads as one, too) leaves `existed` to the caller.
    } else {
        if (first > kFirstReadCapacity) {
            buffer.assign(first, L'\0');
            const DWORD second = GetEnvironmentVariableW(name.GetString(), buffer.data(), first);
            // A value that grew again between the reads did not fit either: nothing was read.
            if (second >= first) SetLastError(ERROR_INSUFFICIENT_BUFFER);
            if (second == 0 || second >= first) {
                LogFailure(logger, L"GetEnvironmentVariable failed (%d)\n", GetLastError());
                return CString();
            }
        }
        existed = true;
    }
    const CString previous(buffer.data());
    if (!SetEnvironmentVariableW(name.GetString(), value.GetString())) {
        LogFailure(logger, L"SetEnvironmentVariable failed (%d)\n", GetLastError());
        return CString();
    }
    return existed ? previous : CString();
}

bool restoreEnvironmentVariable(boost::shared_ptr<ILogger> logger, CString name, CString oldValue, bool existed) {
    if (!existed) {
        // The variable was made for the child: remove it; a failure leaves nothing to undo.
        SetEnvironmentVariableW(name.GetString(), nullptr);
        return true;
    }
    if (!SetEnvironmentVariableW(name.GetString(), oldValue.GetString())) {
        LogFailure(logger, L"SetEnvironmentVariable failed (%d)\n", GetLastError());
        return false;
    }
    return true;
}
