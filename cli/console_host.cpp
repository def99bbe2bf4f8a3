#include "console_host.h"

namespace cw32::cli {

std::wstring LevelTag(int level) {
    switch (level) {
        case LOG_LEVEL_INFO:
            return L"[I]";
        case LOG_LEVEL_WARNING:
            return L"[W]";
        case LOG_LEVEL_ERROR:
            return L"[E]";
        default:
            return L"[" + std::to_wstring(level) + L"]";
    }
}

ConsoleHost::ConsoleHost(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

void ConsoleHost::Write(int level, const std::wstring& text) {
    // Writing the line must not change the thread's last error: the library may log between
    // a failing call and the caller's GetLastError (the C runtime's writes reset it on Windows).
    const DWORD last_error = GetLastError();
    last_line_ = text;
    // Line feeds only, on Windows as well: a log written on either platform reads the same.
    const std::string line = ToUtf8(LevelTag(level) + L" " + text) + "\n";
    if (!quiet_) {
        err_.write(line.data(), static_cast<std::streamsize>(line.size()));
        err_.flush();
    }
    if (log_) {
        // Flushed line by line, so the file holds everything up to a failing step.
        std::fwrite(line.data(), 1, line.size(), log_.get());
        std::fflush(log_.get());
    }
    SetLastError(last_error);
}

boost::shared_ptr<std::wstring> ConsoleHost::GetArgumentValue(const std::wstring& name) {
    const std::wstring* value = FindArgument(name);
    return boost::shared_ptr<std::wstring>(new std::wstring(value != nullptr ? *value : std::wstring()));
}

void ConsoleHost::SetArgument(const std::wstring& name, const std::wstring& value) { arguments_[name] = value; }

const std::wstring* ConsoleHost::FindArgument(const std::wstring& name) const {
    const auto it = arguments_.find(name);
    return it == arguments_.end() ? nullptr : &it->second;
}

bool ConsoleHost::OpenLog(const std::wstring& path) {
    FilePtr file = OpenFile(path, "ab");
    if (!file) return false;
    log_ = std::move(file);
    return true;
}

void ConsoleHost::Print(const std::wstring& text) {
    const std::string bytes = ToUtf8(text);
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out_.flush();
}

void ConsoleHost::PrintLine(const std::wstring& text) { Print(text + L"\n"); }

void ConsoleHost::Diagnose(const std::wstring& text) {
    const std::string line = ToUtf8(L"cw32: " + text) + "\n";
    err_.write(line.data(), static_cast<std::streamsize>(line.size()));
    err_.flush();
}

}  // namespace cw32::cli
