// The rights subcommand: testing and granting rights and privileges in the local security
// policy, for a named account or for the user who runs cw32.
#include "command_line.h"
#include "commands.h"

#include <common-win32/common-win32.h>

namespace cw32::cli {
namespace {

const wchar_t kCommand[] = L"rights";

// A test answers "held" (exit status 0) or "not held" (1); anything else failed.
int Answer(CommandContext& context, const std::wstring& action, std::initializer_list<std::wstring> subjects,
           long code) {
    if (code == ERROR_SUCCESS || code == ERROR_NOT_FOUND) {
        context.host->PrintLine(code == ERROR_SUCCESS ? L"held" : L"not held");
        return code == ERROR_SUCCESS ? kExitSuccess : kExitFailure;
    }
    return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, subjects, static_cast<DWORD>(code));
}

int Granted(CommandContext& context, const std::wstring& action, std::initializer_list<std::wstring> subjects,
            long code) {
    if (code == ERROR_SUCCESS) return kExitSuccess;
    return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, subjects, static_cast<DWORD>(code));
}

int RunRights(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(kCommand, args, {});
    const std::vector<std::wstring>& p = parsed.positional;
    if (p.empty()) throw UsageError(kCommand, L"missing ACTION (see 'cw32 rights --help')");
    const std::wstring& action = p[0];
    if (action == L"has" || action == L"add") {
        ExpectPositionals(kCommand, p, {action.c_str(), L"PRIVILEGE", L"ACCOUNT"});
        if (action == L"has") return Answer(context, action, {p[1], p[2]}, HasPrivilege(p[1].c_str(), p[2].c_str()));
        return Granted(context, action, {p[1], p[2]}, AddPrivilege(p[1].c_str(), p[2].c_str()));
    }
    if (action == L"has-current" || action == L"add-current") {
        ExpectPositionals(kCommand, p, {action.c_str(), L"PRIVILEGE"});
        if (action == L"has-current") return Answer(context, action, {p[1]}, HasPrivilegeOnCurrentUser(p[1].c_str()));
        return Granted(context, action, {p[1]}, AddPrivilegeOnCurrentUser(p[1].c_str()));
    }
    if (action == L"has-logon-service" || action == L"add-logon-service") {
        ExpectPositionals(kCommand, p, {action.c_str(), L"ACCOUNT"});
        if (action == L"has-logon-service") return Answer(context, action, {p[1]}, HasRightLogonAsService(p[1].c_str()));
        return Granted(context, action, {p[1]}, AddRightLogonAsService(p[1].c_str()));
    }
    throw UsageError(kCommand, L"unknown action " + Quoted(action) + L" (see 'cw32 rights --help')");
}

const CommandRegistrar registered{
    {kCommand,
     L"rights has|add PRIVILEGE ACCOUNT | rights has-current|add-current PRIVILEGE\n"
     L"rights has-logon-service|add-logon-service ACCOUNT",
     L"test and grant account rights in the local security policy",
     L"PRIVILEGE is the policy's name of a right or privilege, exactly as the system spells it\n"
     L"(SeServiceLogonRight, SeBackupPrivilege). ACCOUNT is DOMAIN\\user or a bare user name,\n"
     L"which means an account of this computer.\n"
     L"has, has-current, has-logon-service   print held (exit status 0) or not held (1)\n"
     L"add                 grants PRIVILEGE unless ACCOUNT holds it already\n"
     L"add-current         the same for the user who runs cw32\n"
     L"add-logon-service   grants the right to log on as a service (SeServiceLogonRight)\n"
     L"A failure ends with a line naming the action, its arguments and the Windows error.\n",
     RunRights},
};

}  // namespace
}  // namespace cw32::cli
