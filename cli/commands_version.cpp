// The version subcommand: both comparisons of dotted version texts.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

#include <climits>

namespace cw32::cli {
namespace {

constexpr wchar_t kCommand[] = L"version";

// A decimal count, negative ones included: a count below one is the library's to refuse.
int ParseCount(const std::wstring& text) {
    const bool negative = !text.empty() && text[0] == L'-';
    const std::wstring digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
        throw UsageError(L"version compare-n", Quoted(text) + L" is not a decimal number");
    }
    const auto magnitude = ParseUnsigned(L"version compare-n", digits, negative ? 2147483648u : INT_MAX);
    return negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
}

int RunVersion(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(kCommand, args, {});
    if (parsed.positional.empty()) throw UsageError(kCommand, L"missing ACTION (see 'cw32 version --help')");
    const std::wstring& action = parsed.positional[0];
    const std::vector<std::wstring> words(parsed.positional.begin() + 1, parsed.positional.end());
    if (action == L"compare") {
        ExpectPositionals(L"version compare", words, {L"A", L"B"});
        const int result = compareVersionStr(ToCString(words[0]), ToCString(words[1]));
        context.host->PrintLine(std::to_wstring(result));
        return kExitSuccess;
    }
    if (action == L"compare-n") {
        ExpectPositionals(L"version compare-n", words, {L"A", L"B", L"COUNT"});
        const int count = ParseCount(words[2]);
        SetLastError(ERROR_SUCCESS);
        const int result = VersionCompare(words[0].c_str(), words[1].c_str(), count);
        if (result == 0 && GetLastError() == ERROR_INVALID_PARAMETER) {
            context.host->Diagnose(L"version compare-n: COUNT must be at least 1 (Windows error 87)");
            return kExitFailure;
        }
        context.host->PrintLine(std::to_wstring(result));
        return kExitSuccess;
    }
    throw UsageError(kCommand, L"unknown action " + Quoted(action) + L" (see 'cw32 version --help')");
}

const CommandRegistrar registered{
    {L"version", L"version compare A B\nversion compare-n A B COUNT", L"compare two version texts",
     L"compare    splits on any of \",.;:# \", reads numbers, and prints 1, 0 or -1; a version\n"
     L"           that runs out of components first is the smaller (\"1.0\" > \"1\")\n"
     L"compare-n  splits on \".\" only (empty components count), reads 16-bit numbers, pads\n"
     L"           both with zeros to COUNT components, and prints the difference of the first\n"
     L"           unequal pair (A minus B), 0 when the first COUNT are equal. A COUNT below 1\n"
     L"           is refused by the library (exit status 1).\n",
     RunVersion},
};

}  // namespace
}  // namespace cw32::cli
