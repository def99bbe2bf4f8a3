// A host for tests: records every line written to it and answers arguments from a map.
#pragma once

#include <common-win32/common-win32.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace cw32test {

struct LogLine {
    int level;
    std::wstring text;
    bool operator==(const LogLine& o) const { return level == o.level && text == o.text; }
};

class RecordingHost : public IActionContext {
public:
    void Write(int level, const std::wstring& text) override;
    boost::shared_ptr<std::wstring> GetArgumentValue(const std::wstring& name) override;

    std::vector<LogLine> lines;
    std::map<std::wstring, std::wstring> arguments;
    std::vector<std::wstring> asked;         // names passed to GetArgumentValue
    std::function<void(int, const std::wstring&)> on_write;  // runs after recording; may throw

    // The texts only, with the "YYYY/MM/DD, hh:mm:ss: " stamp removed where a line has one.
    std::vector<std::wstring> Unstamped() const;
};

boost::shared_ptr<RecordingHost> MakeHost();
inline boost::shared_ptr<ILogger> AsLogger(const boost::shared_ptr<RecordingHost>& h) { return h; }

// True when `line` starts with a well-formed "YYYY/MM/DD, hh:mm:ss: " stamp (hh in 01..12).
bool HasStamp(const std::wstring& line);
std::wstring StripStamp(const std::wstring& line);

}  // namespace cw32test
