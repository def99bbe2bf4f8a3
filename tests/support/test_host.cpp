#include "support/test_host.h"

#include <cwctype>

namespace cw32test {

void RecordingHost::Write(int level, const std::wstring& text) {
    lines.push_back({level, text});
    if (on_write) on_write(level, text);
}

boost::shared_ptr<std::wstring> RecordingHost::GetArgumentValue(const std::wstring& name) {
    asked.push_back(name);
    auto it = arguments.find(name);
    return boost::shared_ptr<std::wstring>(new std::wstring(it == arguments.end() ? L"" : it->second));
}

std::vector<std::wstring> RecordingHost::Unstamped() const {
    std::vector<std::wstring> out;
    for (const auto& l : lines) out.push_back(StripStamp(l.text));
    return out;
}

boost::shared_ptr<RecordingHost> MakeHost() { return boost::shared_ptr<RecordingHost>(new RecordingHost); }

bool HasStamp(const std::wstring& s) {
    // "2026/12/04, 01:05:09: " is 22 characters.
    static const wchar_t pattern[] = L"dddd/dd/dd, dd:dd:dd: ";
    if (s.size() < 22) return false;
    for (int i = 0; i < 22; ++i) {
        if (pattern[i] == L'd') {
            if (!std::iswdigit(s[i])) return false;
        } else if (s[i] != pattern[i]) {
            return false;
        }
    }
    int hour = (s[12] - L'0') * 10 + (s[13] - L'0');
    return hour >= 1 && hour <= 12;
}

std::wstring StripStamp(const std::wstring& line) { return HasStamp(line) ? line.substr(22) : line; }

}  // namespace cw32test
