// The log functions: every line the library writes reaches the host through LogInfo.
#include "common-win32/log.h"

#include "common-win32/datetime.h"

#include <string>

namespace {

void WriteAtLevel(const boost::shared_ptr<ILogger>& logger, int level, const CString& message) {
    // The text is length-counted: a message holding a NUL reaches the host whole.
    const std::wstring text(message.GetString(), static_cast<std::size_t>(message.GetLength()));
    logger->Write(level, text);
}

}  // namespace

void LogInfo(boost::shared_ptr<ILogger> logger, const CString& message) {
    WriteAtLevel(logger, LOG_LEVEL_INFO, message);
}

void LogWarning(boost::shared_ptr<ILogger> logger, const CString& message) {
    WriteAtLevel(logger, LOG_LEVEL_WARNING, message);
}

void LogError(boost::shared_ptr<ILogger> logger, const CString& message) {
    WriteAtLevel(logger, LOG_LEVEL_ERROR, message);
}

void LogMessage(boost::shared_ptr<ILogger> logger, const CString& message) {
    // Date first, then time: each reads the clock by itself, so a line written on the stroke
    // of midnight may pair the old date with the new time, as the stamp always has.
    const CString date = GetDateString();
    const CString time = GetTimeString();
    CString line;
    line.Format(L"%s, %s: %s", date.GetString(), time.GetString(), message.GetString());
    LogInfo(logger, line);
}

void WriteLog(boost::shared_ptr<ILogger> logger, const wchar_t* message, const wchar_t* password) {
    CString text(message ? message : L"");
    if (password != nullptr && *password != L'\0') {
        text.Replace(password, L"****");
    } else {
        text.Replace(L"PWD=;", L"PWD=****;");
    }
    LogMessage(logger, text);
}
