// Subcommands of the process and environment family and of the host bridge's progress and
// loader: run, env set-temp, load, progress.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

#include <cwchar>

#include <climits>
#include <vector>

namespace cw32::cli {
namespace {

// Watches the lines on their way to the console host for the runner's start-failure line:
// the log is the only place the runner reports that the child never started.
class StartWatcher final : public ILogger {
public:
    explicit StartWatcher(boost::shared_ptr<ConsoleHost> host) : host_(std::move(host)) {}
    void Write(int level, const std::wstring& text) override {
        const std::wstring marker = L"RunRedistProgram: failed: ";
        if (const std::size_t at = text.find(marker); at != std::wstring::npos) {
            start_failed = true;
            start_error = static_cast<DWORD>(std::wcstoul(text.c_str() + at + marker.size(), nullptr, 10));
        }
        host_->Write(level, text);
    }
    bool start_failed = false;
    DWORD start_error = 0;  // the code that line gives

private:
    boost::shared_ptr<ConsoleHost> host_;
};

// One Windows command line from separate words: a word with blanks or quotes is quoted, with
// the backslashes before a quote doubled, so the child's runtime splits it back into the same words.
std::wstring JoinCommandLine(const std::vector<std::wstring>& words) {
    std::wstring line;
    for (const std::wstring& word : words) {
        if (!line.empty()) line += L' ';
        if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) {
            line += word;
            continue;
        }
        line += L'"';
        std::size_t backslashes = 0;
        for (wchar_t c : word) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, L'\\');
        line += L'"';
    }
    return line;
}

struct RunRequest {
    std::wstring command_line;
    bool hide = false;
    const std::wstring* directory = nullptr;
    std::wstring env_name;
    std::wstring env_value;
    const std::wstring* mask = nullptr;
    bool mask_pairs = false;
    bool capture = false;
    bool no_wait = false;
    bool exit_code_is_ours = false;
};

// Runs the request through RunRedistProgram and reports the exit code on standard output.
int Launch(CommandContext& context, const RunRequest& request) {
    boost::shared_ptr<StartWatcher> watcher(new StartWatcher(context.host));
    std::vector<wchar_t> line(request.command_line.begin(), request.command_line.end());
    line.push_back(L'\0');
    unsigned long exit_code = 0;
    CString output;
    RunRedistProgram(watcher, line.data(), 0, request.hide, request.directory ? request.directory->c_str() : nullptr,
                     &exit_code, request.mask ? request.mask->c_str() : nullptr, request.mask_pairs,
                     request.capture ? &output : nullptr, ToCString(request.env_name), ToCString(request.env_value),
                     request.no_wait);
    if (watcher->start_failed)
        return ReportWindowsError(*context.host, L"run", {request.command_line}, watcher->start_error);
    if (request.capture) context.host->Print(FromCString(output));
    context.host->PrintLine(L"exit code: " + std::to_wstring(static_cast<DWORD>(exit_code)));
    if (!request.exit_code_is_ours) return kExitSuccess;
    // A POSIX exit status holds 8 bits: the code is cut to them there, as the shell would.
    return static_cast<int>(exit_code > INT_MAX ? exit_code & 0xFF : exit_code);
}

void SplitAssignment(const std::wstring& command, const std::wstring& text, std::wstring& name, std::wstring& value) {
    const std::size_t equals = text.find(L'=');
    if (equals == std::wstring::npos || equals == 0) throw UsageError(command, L"--env takes NAME=VALUE, not " + Quoted(text));
    name = text.substr(0, equals);
    value = text.substr(equals + 1);
}

int RunRun(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed =
        ParseArguments(L"run", args, {{L"--hide", false}, {L"--cwd", true}, {L"--env", true}, {L"--mask", true},
                                      {L"--mask-pairs", true}, {L"--capture", false}, {L"--no-wait", false},
                                      {L"--exit-code", false}});
    if (parsed.positional.empty()) throw UsageError(L"run", L"missing COMMANDLINE");
    RunRequest request;
    request.command_line = parsed.positional.size() == 1 ? parsed.positional[0] : JoinCommandLine(parsed.positional);
    request.hide = parsed.Has(L"--hide");
    request.directory = parsed.Value(L"--cwd");
    if (const std::wstring* env = parsed.Value(L"--env")) SplitAssignment(L"run", *env, request.env_name, request.env_value);
    if (parsed.Has(L"--mask") && parsed.Has(L"--mask-pairs"))
        throw UsageError(L"run", L"give at most one of --mask and --mask-pairs");
    request.mask_pairs = parsed.Has(L"--mask-pairs");
    request.mask = request.mask_pairs ? parsed.Value(L"--mask-pairs") : parsed.Value(L"--mask");
    request.capture = parsed.Has(L"--capture");
    request.no_wait = parsed.Has(L"--no-wait");
    request.exit_code_is_ours = parsed.Has(L"--exit-code");
    return Launch(context, request);
}

int RunEnv(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"env", args, {});
    if (parsed.positional.empty() || parsed.positional[0] != L"set-temp")
        throw UsageError(L"env", L"the only action is set-temp");
    if (parsed.positional.size() < 4) throw UsageError(L"env", L"set-temp needs NAME, VALUE and a COMMAND");
    const CString name = ToCString(parsed.positional[1]);
    const CString value = ToCString(parsed.positional[2]);
    const std::vector<std::wstring> command(parsed.positional.begin() + 3, parsed.positional.end());
    const boost::shared_ptr<ILogger> logger = context.host;
    bool existed = false;
    const CString previous = temporarySetEnvironmentVariable(logger, name, value, existed);
    RunRequest request;
    request.command_line = command.size() == 1 ? command[0] : JoinCommandLine(command);
    int status = kExitFailure;
    try {
        status = Launch(context, request);
    } catch (...) {
        restoreEnvironmentVariable(logger, name, previous, existed);
        throw;
    }
    if (!restoreEnvironmentVariable(logger, name, previous, existed))
        return ReportWindowsError(*context.host, L"env set-temp", {parsed.positional[1]}, GetLastError());
    return status;
}

int RunLoad(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"load", args, {});
    if (parsed.positional.empty()) throw UsageError(L"load", L"missing LIBRARY");
    CLibraryInterop library(context.host, nullptr);
    if (!library.SetFile(parsed.positional[0].c_str()))
        return ReportWindowsError(*context.host, L"load", {parsed.positional[0]}, GetLastError());
    int status = kExitSuccess;
    for (std::size_t i = 1; i < parsed.positional.size(); ++i) {
        const bool found = library.GetFunction(parsed.positional[i].c_str()) != nullptr;
        context.host->PrintLine(parsed.positional[i] + (found ? L": found" : L": not found"));
        if (!found) status = kExitFailure;
    }
    return status;
}

int RunProgress(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"progress", args, {});
    ExpectPositionals(L"progress", parsed.positional, {L"ticks|time|add-ticks|add-time", L"N"});
    const std::wstring& kind = parsed.positional[0];
    const std::wstring& text = parsed.positional[1];
    const bool negative = !text.empty() && text[0] == L'-';
    const auto magnitude = ParseUnsigned(L"progress", negative ? text.substr(1) : text, negative ? 2147483648u : INT_MAX);
    const int amount = negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
    const boost::shared_ptr<ILogger> logger = context.host;
    if (kind == L"ticks") {
        UseProgressTicks(logger, amount);
    } else if (kind == L"time") {
        UseProgressTime(logger, amount);
    } else if (kind == L"add-ticks") {
        AddTicksToProgressBar(logger, amount);
    } else if (kind == L"add-time") {
        AddTimeToProgressBar(logger, amount);
    } else {
        throw UsageError(L"progress", L"unknown kind " + Quoted(kind) + L" (ticks, time, add-ticks or add-time)");
    }
    return kExitSuccess;
}

const CommandRegistrar registered{
    {L"run",
     L"run [--hide] [--cwd DIR] [--env NAME=VALUE] [--mask TEXT | --mask-pairs LIST]\n"
     L"    [--capture] [--no-wait] [--exit-code] -- COMMANDLINE",
     L"run a program, its output logged as it arrives, and print its exit code",
     L"COMMANDLINE is one word (the whole Windows command line) or several, which are quoted\n"
     L"and joined. The child's standard output and error reach the log unstamped as they\n"
     L"arrive; the closing line \"RunRedistProgram: return value N\" is masked by --mask\n"
     L"(TEXT becomes \"*\") or --mask-pairs (a \"|\"-separated list of old and new texts).\n"
     L"--hide       start the child's window hidden\n"
     L"--cwd DIR    the child's working directory\n"
     L"--env N=V    set N to V for the child, and put it back afterwards\n"
     L"--capture    print the child's output on standard output as well\n"
     L"--no-wait    return at once; the exit code is then 259 (still running)\n"
     L"--exit-code  make the child's exit code cw32's own (its low 8 bits on POSIX)\n"
     L"Exit status 1 when the program does not start.\n",
     RunRun},
    {L"env", L"env set-temp NAME VALUE -- COMMAND...", L"set a variable, run a command, put the variable back",
     L"COMMAND runs as 'run' runs it. Afterwards NAME holds its old value again, or is\n"
     L"removed when it did not exist. Exit status 1 when the old value cannot be put back.\n",
     RunEnv},
    {L"load", L"load LIBRARY [FUNCTION...]", L"load a library and look up functions in it",
     L"The library's own folder is searched first for the libraries it needs. Each FUNCTION\n"
     L"is printed with \"found\" or \"not found\"; exit status 1 when one is missing.\n",
     RunLoad},
    {L"progress", L"progress ticks|time|add-ticks|add-time N", L"announce progress-bar work in the log",
     L"ticks and add-ticks log N ticks; time and add-time log N x 100000 ticks.\n", RunProgress},
};

}  // namespace
}  // namespace cw32::cli
