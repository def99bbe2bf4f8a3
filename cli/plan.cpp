// Running a plan file: read it, check it whole, then run its steps through the dispatcher.
#include "plan.h"

#include "command_line.h"
#include "text_io.h"

#include <algorithm>

namespace cw32::cli {
namespace {

// What is wrong with a step that can be told before anything runs; empty when nothing is.
std::wstring CheckStep(const PlanStep& step) {
    const PlanWord& first = step.words.front();
    if (first.size() > 1 || (first.size() == 1 && first.front().variable)) {
        return L"the subcommand must be written out, not taken from an argument";
    }
    const std::wstring name = first.empty() ? std::wstring() : first.front().text;
    if (name == L"set") return step.words.size() == 3 ? std::wstring() : L"set takes NAME VALUE";
    // A plan that ran plans could run itself without end.
    if (name == L"plan") return L"a plan cannot run another plan";
    if (FindCommand(name) == nullptr) return L"unknown subcommand " + Quoted(name);
    return std::wstring();
}

int RunStep(CommandContext& context, const PlanStep& step, const std::wstring& where) {
    ConsoleHost& host = *context.host;
    const ArgumentLookup lookup = [&host](const std::wstring& name) { return host.FindArgument(name); };
    std::vector<std::wstring> words;
    for (const PlanWord& word : step.words) {
        std::wstring expanded;
        std::wstring missing;
        if (!ExpandWord(word, lookup, expanded, missing)) {
            host.Diagnose(where + L"argument " + Quoted(missing) + L" is not set");
            return kExitUsage;
        }
        words.push_back(std::move(expanded));
    }
    if (words.front() == L"set") {
        if (words[1].empty()) {
            host.Diagnose(where + L"set: the argument name is empty");
            return kExitUsage;
        }
        host.SetArgument(words[1], words[2]);
        return kExitSuccess;
    }
    return Dispatch(context, words);
}

}  // namespace

int RunPlan(CommandContext& context, const std::wstring& path, bool keep_going) {
    ConsoleHost& host = *context.host;
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        host.Diagnose(L"plan: cannot read " + Quoted(path));
        return kExitFailure;
    }
    const auto where = [&path](int line) { return L"plan: " + path + L":" + std::to_wstring(line) + L": "; };
    // The library's conversion stops at a NUL, which would hide the rest of the plan.
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string::npos) {
        const auto line = 1 + std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(nul), '\n');
        host.Diagnose(where(static_cast<int>(line)) + L"a NUL byte is not plan text");
        return kExitUsage;
    }
    const PlanSyntax syntax = TokenizePlan(FromUtf8(bytes));
    if (!syntax.error.empty()) {
        host.Diagnose(where(syntax.error_line) + syntax.error);
        return kExitUsage;
    }
    for (const PlanStep& step : syntax.steps) {
        const std::wstring problem = CheckStep(step);
        if (!problem.empty()) {
            host.Diagnose(where(step.line) + problem);
            return kExitUsage;
        }
    }

    const boost::shared_ptr<ILogger> logger = context.host;
    int failed = 0;
    for (const PlanStep& step : syntax.steps) {
        const int code = RunStep(context, step, where(step.line));
        if (code == kExitSuccess) continue;
        LogError(logger, ToCString(path + L":" + std::to_wstring(step.line) + L": step failed with exit code " +
                                   std::to_wstring(code) + L": " + step.text));
        if (!keep_going) return code;
        ++failed;
    }
    if (failed == 0) return kExitSuccess;
    LogError(logger, ToCString(path + L": " + std::to_wstring(failed) + L" of " + std::to_wstring(syntax.steps.size()) +
                               L" steps failed"));
    return kExitFailure;
}

namespace {

int RunPlanCommand(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"plan", args, {{L"--keep-going", false}});
    ExpectPositionals(L"plan", parsed.positional, {L"FILE"});
    return RunPlan(context, parsed.positional[0], parsed.Has(L"--keep-going"));
}

const CommandRegistrar registered{
    {L"plan", L"plan FILE [--keep-going]", L"run the steps of an installation plan file",
     L"FILE (UTF-8) holds one step per line: a subcommand with its arguments, written as\n"
     L"after \"cw32\" on the command line (global options excepted). The steps run in\n"
     L"order, in this process, with the same log and arguments.\n"
     L"\n"
     L"  set NAME VALUE   give the host the argument NAME, for the steps after it\n"
     L"  # text           a comment: a '#' that starts a word ends the line\n"
     L"  'text'           literal text\n"
     L"  \"text\"           text in which \\\" \\\\ and \\$ stand for \" \\ and $, and $NAME\n"
     L"                   is replaced; other backslashes stay (\"C:\\dir\" is C:\\dir)\n"
     L"  \\c               outside quotes: the character c itself\n"
     L"  $NAME ${NAME}    in unquoted and double-quoted text: the value of an argument\n"
     L"                   given by 'set' or --arg; a step that uses one that is not\n"
     L"                   set fails. NAME is letters, digits and '_', not starting\n"
     L"                   with a digit. A '$' that starts no name is a '$'.\n"
     L"\n"
     L"Blank lines are ignored. The whole file is checked before its first step runs:\n"
     L"a line that ends inside quotes or after a backslash, or a step naming an unknown\n"
     L"subcommand, stops the plan with exit status 2 and the line's number.\n"
     L"\n"
     L"A failing step stops the plan with the step's exit status and an error line\n"
     L"naming the file, the line and the step. --keep-going runs the remaining steps\n"
     L"and exits with status 1 when any step failed.\n",
     RunPlanCommand},
};

}  // namespace
}  // namespace cw32::cli
