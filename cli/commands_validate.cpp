// The credential check: a domain, a user name and a password (read as a password is read,
// never from the command line) validated by a full NTLM exchange.
#include "command_line.h"
#include "commands.h"
#include "password_input.h"

#include <common-win32/common-win32.h>

namespace cw32::cli {
namespace {

int RunValidate(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"validate", args, {{L"--password-arg", true}});
    ExpectPositionals(L"validate", parsed.positional, {L"DOMAIN", L"USER"});
    const std::wstring& domain = parsed.positional[0];
    const std::wstring& user = parsed.positional[1];
    std::wstring password;
    if (const std::wstring* name = parsed.Value(L"--password-arg")) {
        // A host argument, as an installer hands one to its custom actions: in a plan, what a
        // `set` step gave it.
        const std::wstring* value = context.host->FindArgument(*name);
        if (value == nullptr) throw UsageError(L"validate", L"no argument " + Quoted(*name) + L" was set");
        password = *value;
    } else {
        ReadPassword(L"Password for " + (domain.empty() ? user : domain + L"\\" + user) + L": ", password);
    }
    const long result = ValidateDomainUserBySSPI(domain.c_str(), user.c_str(), password.c_str());
    for (wchar_t& ch : password) *static_cast<volatile wchar_t*>(&ch) = 0;
    if (result != 0) return ReportWindowsError(*context.host, L"validate", {domain, user}, static_cast<DWORD>(result));
    context.host->PrintLine(L"valid");
    return kExitSuccess;
}

const CommandRegistrar registered{
    {L"validate", L"validate DOMAIN USER [--password-arg NAME]", L"check a user name and password by an NTLM exchange",
     L"Reads the password from standard input (one line), or asks for it without echo on a\n"
     L"terminal; it is never taken from the command line. In a plan, --password-arg takes it\n"
     L"from the argument NAME that a `set` step gave. DOMAIN is the account's domain, the\n"
     L"computer's name for a local account, or ''. Prints valid (exit status 0); otherwise exit\n"
     L"status 1 and the status of the failing step: 2453 when no domain controller of DOMAIN is\n"
     L"known, 2148074252 (SEC_E_LOGON_DENIED) for a wrong password or an unknown account.\n",
     RunValidate},
};

}  // namespace
}  // namespace cw32::cli
