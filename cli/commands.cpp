#include "commands.h"

#include "command_line.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>

#ifndef CW32_VERSION
#error "CW32_VERSION must be defined by the build (the project's version)"
#endif

namespace cw32::cli {
namespace {

std::map<std::wstring, Command>& Table() {
    // Built on first use, so registrars in any file may run in any order.
    static std::map<std::wstring, Command> table;
    return table;
}

const wchar_t kGlobalUsage[] =
    L"usage: cw32 [OPTIONS] SUBCOMMAND [ARGUMENTS]\n"
    L"\n"
    L"Runs the routines of the common-win32 library from the command line, with cw32 as\n"
    L"the host: log lines go to standard error as \"[I] text\", \"[W] text\" or \"[E] text\",\n"
    L"results go to standard output. Text is UTF-8 on both.\n"
    L"\n"
    L"Options (before the subcommand):\n"
    L"  --log FILE        also append every log line to FILE, in UTF-8\n"
    L"  --quiet           write log lines only to the --log file\n"
    L"  --arg NAME=VALUE  give the host an argument (repeatable); names not given\n"
    L"                    answer an empty text\n"
    L"  --help            show this help; 'cw32 SUBCOMMAND --help' shows a subcommand's\n"
    L"  --version         print the version\n"
    L"\n"
    L"A subcommand's options may also be written --name=VALUE; '--' ends them, so a text\n"
    L"that starts with '--' can be passed after it.\n"
    L"\n"
    L"'cw32 plan FILE' runs the subcommands of an installation plan, one a line, with\n"
    L"quoting, comments and $NAME arguments: see 'cw32 plan --help'.\n"
    L"\n"
    L"Exit status: 0 success, 1 the operation reported failure, 2 bad usage.\n"
    L"\n"
    L"Subcommands:\n";

void PrintGlobalHelp(ConsoleHost& host) {
    std::wstring text = kGlobalUsage;
    // The summaries start in one column, two blanks after the longest name.
    std::size_t width = 0;
    for (const Command* command : AllCommands()) width = std::max(width, std::wcslen(command->name));
    for (const Command* command : AllCommands()) {
        std::wstring name = command->name;
        name.resize(width + 2, L' ');
        text += L"  " + name + command->summary + L"\n";
    }
    host.Print(text);
}

void PrintCommandHelp(ConsoleHost& host, const Command& command) {
    std::wstring text;
    std::wstring lines = command.usage;
    std::size_t start = 0;
    while (start <= lines.size()) {
        std::size_t end = lines.find(L'\n', start);
        if (end == std::wstring::npos) end = lines.size();
        text += (start == 0 ? L"usage: cw32 " : L"       cw32 ") + lines.substr(start, end - start) + L"\n";
        start = end + 1;
    }
    // The summary is a phrase in the list of 'cw32 --help'; here it stands as a sentence.
    std::wstring summary = command.summary;
    if (!summary.empty() && summary[0] >= L'a' && summary[0] <= L'z')
        summary[0] = static_cast<wchar_t>(summary[0] - L'a' + L'A');
    text += L"\n" + summary + L".\n";
    if (*command.details != L'\0') text += L"\n" + std::wstring(command.details);
    host.Print(text);
}

// "--help" anywhere among the options of a subcommand asks for its help.
bool AsksForHelp(const std::vector<std::wstring>& args) {
    for (const std::wstring& word : args) {
        if (word == L"--") return false;
        if (word == L"--help") return true;
    }
    return false;
}

}  // namespace

CommandRegistrar::CommandRegistrar(std::initializer_list<Command> commands) {
    for (const Command& command : commands) {
        if (!Table().emplace(command.name, command).second) {
            std::fprintf(stderr, "cw32: subcommand '%ls' is registered twice\n", command.name);
            std::abort();
        }
    }
}

const Command* FindCommand(const std::wstring& name) {
    const auto it = Table().find(name);
    return it == Table().end() ? nullptr : &it->second;
}

std::vector<const Command*> AllCommands() {
    std::vector<const Command*> all;
    for (const auto& entry : Table()) all.push_back(&entry.second);
    return all;
}

int ReportWindowsError(ConsoleHost& host, const std::wstring& operation, std::initializer_list<std::wstring> subjects,
                       DWORD code) {
    CString text;
    GetSystemMessage(code, text, 0);
    text.TrimRight();  // the system's text ends with a line break
    std::wstring line = operation;
    for (const std::wstring& subject : subjects) line += L" " + Quoted(subject);
    line += L": error " + std::to_wstring(code);
    if (!text.IsEmpty()) line += L": " + std::wstring(text.GetString());
    host.Diagnose(line);
    return kExitFailure;
}

int Dispatch(CommandContext& context, const std::vector<std::wstring>& words) {
    ConsoleHost& host = *context.host;
    const std::wstring name = words.empty() ? std::wstring() : words.front();
    try {
        if (words.empty()) throw UsageError(L"", L"missing subcommand (see 'cw32 --help')");
        const Command* command = FindCommand(name);
        if (command == nullptr) {
            throw UsageError(L"", L"unknown subcommand " + Quoted(name) + L" (see 'cw32 --help')");
        }
        const std::vector<std::wstring> args(words.begin() + 1, words.end());
        if (AsksForHelp(args)) {
            PrintCommandHelp(host, *command);
            return kExitSuccess;
        }
        return command->run(context, args);
    } catch (const UsageError& error) {
        host.Diagnose(error.message());
        return kExitUsage;
    } catch (long code) {
        // The registry wrapper throws the Windows error code when the system refuses a key.
        host.Diagnose(name + L": failed with Windows error " + std::to_wstring(code));
        return kExitFailure;
    } catch (const std::exception& error) {
        host.Diagnose(name + L": failed: " + FromUtf8(error.what()));
        return kExitFailure;
    } catch (...) {
        host.Diagnose(name + L": failed with an unexpected exception");
        return kExitFailure;
    }
}

int RunCommandLine(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err) {
    const boost::shared_ptr<ConsoleHost> host = boost::make_shared<ConsoleHost>(out, err);
    std::size_t next = 0;
    try {
        std::optional<std::wstring> log_path;
        bool quiet = false;
        for (; next < args.size(); ++next) {
            const std::wstring& word = args[next];
            if (word.size() < 2 || word.compare(0, 2, L"--") != 0) break;
            if (word == L"--") {
                ++next;
                break;
            }
            const OptionValue option = ReadOption(
                L"", args, next,
                {{L"--log", true}, {L"--arg", true}, {L"--quiet", false}, {L"--help", false}, {L"--version", false}});
            const std::wstring& name = option.name;
            const std::wstring& value = option.value;
            if (name == L"--help") {
                PrintGlobalHelp(*host);
                return kExitSuccess;
            }
            if (name == L"--version") {
                host->PrintLine(L"cw32 " + FromUtf8(CW32_VERSION));
                return kExitSuccess;
            }
            if (name == L"--quiet") {
                quiet = true;
            } else if (name == L"--log") {
                if (log_path) throw UsageError(L"", L"option '--log' given twice");
                if (value.empty()) throw UsageError(L"", L"option '--log' needs a file name");
                log_path = value;
            } else {
                std::wstring argument_name;
                std::wstring argument_value;
                if (!SplitOptionValue(value, argument_name, argument_value) || argument_name.empty()) {
                    throw UsageError(L"", L"--arg: " + Quoted(value) + L" is not NAME=VALUE");
                }
                host->SetArgument(argument_name, argument_value);
            }
        }
        if (next == args.size()) throw UsageError(L"", L"missing subcommand (see 'cw32 --help')");
        host->SetQuiet(quiet);
        if (log_path && !host->OpenLog(*log_path)) {
            throw UsageError(L"--log", L"cannot open " + Quoted(*log_path) + L" for appending");
        }
    } catch (const UsageError& error) {
        host->Diagnose(error.message());
        return kExitUsage;
    }
    CommandContext context{host};
    return Dispatch(context, std::vector<std::wstring>(args.begin() + static_cast<std::ptrdiff_t>(next), args.end()));
}

}  // namespace cw32::cli
