// The domain subcommand (POSIX only): the domains winport knows, their controllers and their
// accounts, which NetGetDCName and the security provider answer from. On Windows the domains
// are the network's, not the machine's to define, and the subcommand does not exist.
#if !defined(_WIN32)
#  include "command_line.h"
#  include "commands.h"
#  include "password_input.h"

#  include <winport/domains.h>

namespace cw32::cli {
namespace {

const wchar_t kCommand[] = L"domain";

int Result(CommandContext& context, const std::wstring& action, std::initializer_list<std::wstring> subjects,
           DWORD code) {
    if (code == ERROR_SUCCESS) return kExitSuccess;
    return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, subjects, code);
}

int RunUser(CommandContext& context, const std::vector<std::wstring>& p) {
    if (p.size() < 2 || (p[1] != L"add" && p[1] != L"remove"))
        throw UsageError(kCommand, L"expected 'domain user add DOMAIN USER' or 'domain user remove DOMAIN USER'");
    ExpectPositionals(kCommand, p, {L"user", p[1].c_str(), L"DOMAIN", L"USER"});
    const std::wstring action = L"user " + p[1];
    if (p[1] == L"remove") return Result(context, action, {p[2], p[3]}, winport::RemoveDomainUser(p[2].c_str(), p[3].c_str()));
    std::wstring password;
    ReadPassword(L"Password for " + p[2] + L"\\" + p[3] + L": ", password);
    const DWORD code = winport::AddDomainUser(p[2].c_str(), p[3].c_str(), password.c_str());
    for (wchar_t& ch : password) *static_cast<volatile wchar_t*>(&ch) = 0;
    return Result(context, action, {p[2], p[3]}, code);
}

int RunList(CommandContext& context) {
    std::vector<winport::DomainEntry> domains;
    if (const DWORD code = winport::ListDomains(domains); code != ERROR_SUCCESS) return Result(context, L"list", {}, code);
    for (const winport::DomainEntry& domain : domains) {
        context.host->PrintLine(domain.name + L" \\\\" + domain.controller);
        for (const std::wstring& user : domain.users) context.host->PrintLine(L"  " + domain.name + L"\\" + user);
    }
    return kExitSuccess;
}

int RunDomain(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(kCommand, args, {});
    const std::vector<std::wstring>& p = parsed.positional;
    if (p.empty()) throw UsageError(kCommand, L"missing action: add, remove, list or user");
    if (p[0] == L"add") {
        ExpectPositionals(kCommand, p, {L"add", L"NAME", L"CONTROLLER"});
        return Result(context, L"add", {p[1]}, winport::AddDomain(p[1].c_str(), p[2].c_str()));
    }
    if (p[0] == L"remove") {
        ExpectPositionals(kCommand, p, {L"remove", L"NAME"});
        return Result(context, L"remove", {p[1]}, winport::RemoveDomain(p[1].c_str()));
    }
    if (p[0] == L"list") {
        ExpectPositionals(kCommand, p, {L"list"});
        return RunList(context);
    }
    if (p[0] == L"user") return RunUser(context, p);
    throw UsageError(kCommand, L"unknown action " + Quoted(p[0]) + L": add, remove, list or user");
}

const CommandRegistrar registered{
    {kCommand,
     L"domain add NAME CONTROLLER\n"
     L"domain remove NAME\n"
     L"domain list\n"
     L"domain user add DOMAIN USER\n"
     L"domain user remove DOMAIN USER",
     L"the domains winport knows and their accounts (POSIX only)",
     L"add names a domain and its domain controller (\"DC1\" or \"\\\\DC1\"); remove forgets it\n"
     L"with its accounts; list prints each domain with its controller, then its accounts.\n"
     L"user add reads the account's password from standard input (one line, or asked for\n"
     L"without echo on a terminal) and keeps only its NT hash. NetGetDCName answers from\n"
     L"these domains (2453 for any other), and validate checks their accounts.\n",
     RunDomain},
};

}  // namespace
}  // namespace cw32::cli
#endif
