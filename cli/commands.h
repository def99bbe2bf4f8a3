// The table of subcommands and the dispatch that runs one, from the command line or from a
// plan step. A family of subcommands lives in a file of its own (commands_host.cpp, ...) that
// adds its entries with one static CommandRegistrar; nothing else needs to change.
#pragma once

#include "console_host.h"

#include <boost/shared_ptr.hpp>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace cw32::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  // the operation reported failure
    kExitUsage = 2,    // the command was given wrongly
};

struct CommandContext {
    boost::shared_ptr<ConsoleHost> host;
};

// Runs with the words after the subcommand's name; throws UsageError for bad usage.
using CommandFunction = int (*)(CommandContext& context, const std::vector<std::wstring>& args);

struct Command {
    const wchar_t* name;
    const wchar_t* usage;    // one or more lines, each after "cw32 "
    const wchar_t* summary;  // one line, for the list in 'cw32 --help'
    const wchar_t* details;  // the rest of 'cw32 NAME --help'; may be empty
    CommandFunction run;
};

// Adds subcommands to the table during static initialisation. A name registered twice is a
// programming error and stops the program at start-up, where every test run sees it.
struct CommandRegistrar {
    CommandRegistrar(std::initializer_list<Command> commands);
};

// The one line for an operation the system refused, "<operation> '<subject>'...: error <code>:
// <the system's text for it>" (each subject quoted: a path, a key, a value name), and the
// failure exit code to return.
int ReportWindowsError(ConsoleHost& host, const std::wstring& operation, std::initializer_list<std::wstring> subjects,
                       DWORD code);

const Command* FindCommand(const std::wstring& name);
std::vector<const Command*> AllCommands();  // in name order

// Runs one subcommand (words[0] names it) and returns its exit code. Usage errors and anything
// thrown out of the library become one "cw32: ..." line on standard error.
int Dispatch(CommandContext& context, const std::vector<std::wstring>& words);

// The whole command line after the program's name: global options, then a subcommand.
int RunCommandLine(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err);

}  // namespace cw32::cli
