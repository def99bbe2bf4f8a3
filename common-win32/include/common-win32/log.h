// Log functions: plain lines at a fixed level, stamped lines, and stamped lines with a
// password masked. None reports failure; an exception from the host's Write passes through.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/host.h>

// Write(2, message), Write(3, message), Write(4, message).
CW32_API void LogInfo(boost::shared_ptr<ILogger> logger, const CString& message);
CW32_API void LogWarning(boost::shared_ptr<ILogger> logger, const CString& message);
CW32_API void LogError(boost::shared_ptr<ILogger> logger, const CString& message);

// "<date>, <time>: <message>" at level 2, the form of every line the library writes itself.
CW32_API void LogMessage(boost::shared_ptr<ILogger> logger, const CString& message);

// LogMessage of `message` with every occurrence of `password` replaced by "****"; without a
// password, every "PWD=;" becomes "PWD=****;". Either pointer may be null.
CW32_API void WriteLog(boost::shared_ptr<ILogger> logger, const wchar_t* message, const wchar_t* password);
