// CMsiLogMessage: prefixed, unstamped lines through LogInfo.
#include "common-win32/msi_log_message.h"

#include "common-win32/log.h"

namespace {

CString ApplyFormatRule(const wchar_t* format) {
    CString stored(format);  // null: empty
    if (!stored.IsEmpty() && stored.Find(L"%s") < 0) stored += L"%s";
    return stored;
}

// The format is the host's text, so it never reaches a printf-style formatter: the first "%s"
// takes the text, "%%" is one percent sign, and any other conversion stays as written. A
// stray "%d" in a prefix then shows up in the log instead of reading an argument that was
// never passed.
CString Fill(const CString& format, const wchar_t* text) {
    CString line;
    bool filled = false;
    const int length = format.GetLength();
    for (int i = 0; i < length; ++i) {
        const wchar_t c = format[i];
        if (c == L'%' && i + 1 < length) {
            const wchar_t next = format[i + 1];
            if (next == L'%') {
                line += L'%';
                ++i;
                continue;
            }
            if (next == L's' && !filled) {
                line += text ? text : L"";
                filled = true;
                ++i;
                continue;
            }
        }
        line += c;
    }
    return line;
}

}  // namespace

CMsiLogMessage::CMsiLogMessage() = default;

CMsiLogMessage::CMsiLogMessage(boost::shared_ptr<ILogger> logger, const wchar_t* format)
    : m_logger(std::move(logger)), m_format(ApplyFormatRule(format)) {}

CMsiLogMessage::CMsiLogMessage(const CMsiLogMessage& other) = default;

CMsiLogMessage& CMsiLogMessage::operator=(const CMsiLogMessage& other) = default;

CMsiLogMessage::~CMsiLogMessage() = default;

void CMsiLogMessage::SetFormat(const wchar_t* format) { m_format = ApplyFormatRule(format); }

void CMsiLogMessage::Log(const wchar_t* text) {
    const CString format = m_format.IsEmpty() ? CString(L"%s") : m_format;
    LogInfo(m_logger, Fill(format, text));
}

void CMsiLogMessage::Log(const wchar_t* format, const wchar_t* text) {
    SetFormat(format);
    Log(text);
}

void CMsiLogMessage::LogError(const wchar_t* text, DWORD error) {
    CString line;
    line.Format(L"%s [Error: %d]", text ? text : L"", static_cast<int>(error));
    Log(line.GetString());
}

void CMsiLogMessage::LogHResult(const wchar_t* text, LONG result) {
    CString line;
    line.Format(result < 0 ? L"%s [Failure: %d]" : L"%s [Success: %d]", text ? text : L"", static_cast<int>(result));
    Log(line.GetString());
}
