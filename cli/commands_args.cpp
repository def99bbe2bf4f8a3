// The args subcommand: argument lists written, prepended to, read and peeked at.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

namespace cw32::cli {
namespace {

constexpr wchar_t kCommand[] = L"args";

int RunArgs(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(kCommand, args, {{L"--separator", true}});
    const std::wstring* given = parsed.Value(L"--separator");
    const std::wstring separator = given != nullptr ? *given : L";";
    if (separator.empty()) throw UsageError(kCommand, L"the separator is empty");
    if (parsed.positional.empty()) throw UsageError(kCommand, L"missing ACTION (see 'cw32 args --help')");
    const std::wstring& action = parsed.positional[0];
    const std::vector<std::wstring> words(parsed.positional.begin() + 1, parsed.positional.end());
    ConsoleHost& host = *context.host;

    if (action == L"write") {
        CString list;
        for (const std::wstring& value : words) WriteArg(list, value.c_str(), separator.c_str());
        host.PrintLine(FromCString(list));
        return kExitSuccess;
    }
    if (action == L"prepend") {
        if (words.empty()) throw UsageError(L"args prepend", L"missing LIST");
        CString list = ToCString(words[0]);
        for (auto value = words.begin() + 1; value != words.end(); ++value) {
            PrependArg(list, value->c_str(), separator.c_str());
        }
        host.PrintLine(FromCString(list));
        return kExitSuccess;
    }
    if (action == L"get" || action == L"peek") {
        const std::wstring name = L"args " + action;
        ExpectPositionals(name, words, {L"LIST"});
        CString list = ToCString(words[0]);
        CString value;
        const bool taken = action == L"get" ? GetArg(list, value, separator.c_str())
                                            : PeekArg(list, value, separator.c_str());
        if (!taken) {
            host.Diagnose(name + L": the list holds no value");
            return kExitFailure;
        }
        host.PrintLine(L"value: " + FromCString(value));
        host.PrintLine(L"rest: " + FromCString(list));
        return kExitSuccess;
    }
    throw UsageError(kCommand, L"unknown action " + Quoted(action) + L" (see 'cw32 args --help')");
}

const CommandRegistrar registered{
    {L"args",
     L"args write [--separator S] VALUE...\n"
     L"args prepend [--separator S] LIST VALUE...\n"
     L"args get [--separator S] LIST\n"
     L"args peek [--separator S] LIST",
     L"build and read argument lists (values each closed by a separator)",
     L"The separator is ';' unless --separator gives another. Inside a value a backslash is\n"
     L"doubled and the separator gets a backslash before it.\n"
     L"write    prints the list of the VALUEs, in order\n"
     L"prepend  puts each VALUE in turn at the front of LIST (the last one ends up first)\n"
     L"get      prints the first value of LIST ('value: ...') and what is left ('rest: ...')\n"
     L"peek     the same, but the rest is the whole list: peeking takes nothing off\n"
     L"get and peek end with exit status 1 when LIST holds no value.\n",
     RunArgs},
};

}  // namespace
}  // namespace cw32::cli
