// The host that cw32 puts behind the library: log lines go to standard error (and to a log
// file when asked), arguments come from the command line and from a plan's `set` steps, and
// results go to standard output as UTF-8.
#pragma once

#include "text_io.h"

#include <common-win32/common-win32.h>

#include <map>
#include <ostream>
#include <string>

namespace cw32::cli {

// "[I]", "[W]", "[E]" for levels 2, 3 and 4. The library passes no other level; should one
// arrive anyway, its number is shown rather than a guess at its meaning.
std::wstring LevelTag(int level);

// Final: the library holds it only through shared pointers whose control block deletes a
// ConsoleHost, never through the interfaces, which have no virtual destructor.
class ConsoleHost final : public IActionContext {
public:
    ConsoleHost(std::ostream& out, std::ostream& err);

    // Each line is "<tag> <text>" on standard error (unless quiet) and in the log file.
    void Write(int level, const std::wstring& text) override;
    // A name that was never given answers an empty text: the library expects a value for every name.
    boost::shared_ptr<std::wstring> GetArgumentValue(const std::wstring& name) override;

    void SetArgument(const std::wstring& name, const std::wstring& value);
    const std::wstring* FindArgument(const std::wstring& name) const;  // null when not given

    // Appends every later log line to `path` in UTF-8; false when the file cannot be opened.
    bool OpenLog(const std::wstring& path);
    void SetQuiet(bool quiet) { quiet_ = quiet; }

    void Print(const std::wstring& text);      // a result, on standard output
    void PrintLine(const std::wstring& text);  // a result and a line feed
    // cw32's own diagnostics ("cw32: <text>"): always on standard error, whatever --quiet says,
    // since they explain an exit code rather than record an installation.
    void Diagnose(const std::wstring& text);
    // The text of the last line the library wrote, stamp included; empty before the first.
    const std::wstring& LastLine() const { return last_line_; }

private:
    std::ostream& out_;
    std::ostream& err_;
    FilePtr log_;
    bool quiet_ = false;
    std::wstring last_line_;
    std::map<std::wstring, std::wstring> arguments_;
};

}  // namespace cw32::cli
