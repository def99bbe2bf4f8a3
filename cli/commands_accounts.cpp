// Subcommands of the account helpers that work on text alone: splitting an account name and
// judging a password.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

namespace cw32::cli {
namespace {

int RunParseAccount(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"parse-account", args, {});
    ExpectPositionals(L"parse-account", parsed.positional, {L"ACCOUNT"});
    CString domain, user;
    ParseDomainUser(parsed.positional[0].c_str(), domain, user);
    context.host->PrintLine(L"domain: " + FromCString(domain));
    context.host->PrintLine(L"user: " + FromCString(user));
    return kExitSuccess;
}

// A question, not an operation: "weak" is an answer, given with exit status 1 as `check` does.
int RunPasswordStrength(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"password-strength", args, {});
    ExpectPositionals(L"password-strength", parsed.positional, {L"USER", L"PASSWORD"});
    const bool strong = isStrongPassword(parsed.positional[0].c_str(), parsed.positional[1].c_str());
    context.host->PrintLine(strong ? L"strong" : L"weak");
    return strong ? kExitSuccess : kExitFailure;
}

const CommandRegistrar registered{
    {L"parse-account", L"parse-account ACCOUNT", L"the domain and user parts of an account name",
     L"Prints the domain and the user of ACCOUNT, split at its first backslash (\"CORP\\alice\");\n"
     L"without a backslash the domain is empty. Nothing is looked up.\n",
     RunParseAccount},
    {L"password-strength", L"password-strength USER PASSWORD", L"whether a password is strong enough",
     L"Prints strong (exit status 0) or weak (exit status 1): a strong password has at least 6\n"
     L"characters of at least two classes (lower case, upper case, digits, others) and does\n"
     L"not contain USER.\n",
     RunPasswordStrength},
};

}  // namespace
}  // namespace cw32::cli
