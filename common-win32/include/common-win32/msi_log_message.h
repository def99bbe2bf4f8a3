// CMsiLogMessage: a host logger bound to a prefix format, so every line of one component
// carries the same prefix. Lines go to LogInfo (level 2) without the date and time stamp.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/host.h>
#include <common-win32/platform.h>

// Slot 0 of the virtual table is the destructor; the class has no other virtual operation.
class CW32_API CMsiLogMessage {
public:
    // Format rule (here, in SetFormat and in the two-argument Log): null stores an empty format,
    // a non-empty format without "%s" gets "%s" appended, an empty one stays empty.
    CMsiLogMessage(boost::shared_ptr<ILogger> logger, const wchar_t* format);
    CMsiLogMessage(const CMsiLogMessage& other);
    CMsiLogMessage& operator=(const CMsiLogMessage& other);
    virtual ~CMsiLogMessage();

    void SetFormat(const wchar_t* format);
    // The stored format with `text` in place of its "%s" (an empty format counts as "%s").
    void Log(const wchar_t* text);
    // Stores `format` by the format rule for this and later lines, then Log(text).
    void Log(const wchar_t* format, const wchar_t* text);
    // "<text> [Error: <error>]", the error in signed decimal.
    void LogError(const wchar_t* text, DWORD error);
    // "<text> [Failure: <result>]" for a negative result, else "<text> [Success: <result>]".
    void LogHResult(const wchar_t* text, LONG result);

private:
    CMsiLogMessage();

    boost::shared_ptr<ILogger> m_logger;
    CString m_format;
};
