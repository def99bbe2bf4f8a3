// The account subcommand: local user accounts made, removed, listed and looked up through the
// network management and account lookup calls. A password is read from standard input only,
// never taken from the command line, and never printed or logged.
#include "command_line.h"
#include "commands.h"
#include "password_input.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

#include "support/unique_handle.h"

#include <string>
#include <vector>

namespace cw32::cli {
namespace {

const wchar_t kCommand[] = L"account";

int Failed(CommandContext& context, const std::wstring& action, const std::wstring& name, DWORD code) {
    return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, {name}, code);
}

int RunAdd(CommandContext& context, const std::wstring& name) {
    std::wstring password;
    ReadPassword(L"Password for " + name + L": ", password);
    USER_INFO_1 info{};
    info.usri1_name = const_cast<LPWSTR>(name.c_str());
    info.usri1_password = &password[0];
    info.usri1_priv = USER_PRIV_USER;
    info.usri1_flags = UF_SCRIPT | UF_DONT_EXPIRE_PASSWD;
    DWORD parameter = 0;
    const NET_API_STATUS status = NetUserAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&info), &parameter);
    password.assign(password.size(), L'\0');
    return status == NERR_Success ? kExitSuccess : Failed(context, L"add", name, status);
}

int RunList(CommandContext& context) {
    DWORD resume = 0;
    for (;;) {
        LPBYTE raw = nullptr;
        DWORD read = 0, total = 0;
        const NET_API_STATUS status =
            NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, &raw, MAX_PREFERRED_LENGTH, &read, &total, &resume);
        const UniqueNetBuffer<LPBYTE> buffer(raw);
        if (status != NERR_Success && status != ERROR_MORE_DATA) return ReportWindowsError(*context.host, L"account list", {}, status);
        const auto* entries = reinterpret_cast<const USER_INFO_0*>(buffer.get());
        for (DWORD i = 0; entries != nullptr && i < read; ++i) context.host->PrintLine(entries[i].usri0_name);
        if (status == NERR_Success) return kExitSuccess;
    }
}

const wchar_t* KindName(SID_NAME_USE use) {
    switch (use) {
        case SidTypeUser: return L"user";
        case SidTypeGroup: return L"group";
        case SidTypeDomain: return L"domain";
        case SidTypeAlias: return L"alias";
        case SidTypeWellKnownGroup: return L"well-known group";
        case SidTypeDeletedAccount: return L"deleted account";
        case SidTypeComputer: return L"computer";
        case SidTypeLabel: return L"label";
        default: return L"unknown";
    }
}

// Sizes first, then the lookup into buffers of those sizes.
int RunLookup(CommandContext& context, const std::wstring& name) {
    DWORD sid_size = 0, domain_size = 0;
    SID_NAME_USE use = SidTypeUnknown;
    if (LookupAccountNameW(nullptr, name.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return Failed(context, L"lookup", name, GetLastError());
    std::vector<BYTE> sid(sid_size);
    std::vector<wchar_t> domain(domain_size + 1, L'\0');
    if (!LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sid_size, domain.data(), &domain_size, &use))
        return Failed(context, L"lookup", name, GetLastError());
    LPWSTR raw = nullptr;
    if (!ConvertSidToStringSidW(sid.data(), &raw)) return Failed(context, L"lookup", name, GetLastError());
    const UniqueLocalMemory<LPWSTR> text(raw);
    context.host->PrintLine(L"sid: " + std::wstring(text.get()));
    context.host->PrintLine(L"domain: " + std::wstring(domain.data()));
    context.host->PrintLine(L"kind: " + std::wstring(KindName(use)));
    return kExitSuccess;
}

int RunAccount(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(kCommand, args, {});
    const std::vector<std::wstring>& p = parsed.positional;
    if (p.empty()) throw UsageError(kCommand, L"missing ACTION (see 'cw32 account --help')");
    const std::wstring& action = p[0];
    if (action == L"list") {
        ExpectPositionals(kCommand, p, {L"list"});
        return RunList(context);
    }
    if (action != L"add" && action != L"remove" && action != L"lookup")
        throw UsageError(kCommand, L"unknown action " + Quoted(action) + L" (see 'cw32 account --help')");
    ExpectPositionals(kCommand, p, {action.c_str(), L"NAME"});
    if (action == L"add") return RunAdd(context, p[1]);
    if (action == L"lookup") return RunLookup(context, p[1]);
    const NET_API_STATUS status = NetUserDel(nullptr, p[1].c_str());
    return status == NERR_Success ? kExitSuccess : Failed(context, action, p[1], status);
}

const CommandRegistrar registered{
    {kCommand,
     L"account add|remove|lookup NAME | account list",
     L"add, remove, list and look up local user accounts",
     L"add      makes the local user NAME, a plain user whose password never expires; the\n"
     L"         password is the first line of standard input (never an argument)\n"
     L"remove   deletes the local user NAME\n"
     L"list     prints the local users' names, one a line\n"
     L"lookup   prints the SID, the domain and the kind of account of NAME (DOMAIN\\name,\n"
     L"         .\\name or a bare name)\n"
     L"A failure ends with a line naming the action, the account and the Windows error.\n",
     RunAccount},
};

}  // namespace
}  // namespace cw32::cli
