// The service subcommand: starting and stopping with the library's logged wait, creating,
// deleting, disabling, checking and finding a service, and its stored configuration.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

#include "support/unique_handle.h"

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <utility>

namespace cw32::cli {
namespace {

const wchar_t kCommand[] = L"service";

// The library's boolean results carry no code: the thread's last error, cleared before the
// call, tells why when the failing step set it; a wait that ended in the wrong state sets none,
// and the library's log lines above tell that story.
int Failed(CommandContext& context, const std::wstring& action, std::initializer_list<std::wstring> subjects,
           const wchar_t* without_code) {
    const DWORD code = GetLastError();
    if (code != ERROR_SUCCESS)
        return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, subjects, code);
    std::wstring line = std::wstring(kCommand) + L" " + action;
    for (const std::wstring& subject : subjects) line += L" " + Quoted(subject);
    context.host->Diagnose(line + L": " + without_code);
    return kExitFailure;
}

int Code(CommandContext& context, const std::wstring& action, std::initializer_list<std::wstring> subjects,
         unsigned long code) {
    if (code == ERROR_SUCCESS) return kExitSuccess;
    return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, subjects,
                              static_cast<DWORD>(code));
}

int RunControl(CommandContext& context, const ParsedArguments& parsed) {
    const std::vector<std::wstring>& p = parsed.positional;
    ExpectPositionals(kCommand, p, {p[0].c_str(), L"NAME"});
    const bool start = p[0] == L"start";
    if (start && parsed.Has(L"--tree")) throw UsageError(kCommand, L"--tree belongs to 'service stop'");
    const std::wstring* deadline_text = parsed.Value(L"--deadline");
    const unsigned long deadline =
        deadline_text ? static_cast<unsigned long>(ParseUnsigned(kCommand, *deadline_text, 0xFFFFFFFFu)) : 0;
    SetLastError(ERROR_SUCCESS);
    int reached = 0;
    if (parsed.Has(L"--tree"))
        reached = StopNTServiceTree(p[1].c_str(), deadline, context.host);
    else if (deadline_text)
        reached = ControlNTServiceEx(p[1].c_str(), start, deadline, context.host);
    else
        reached = ControlNTService(p[1].c_str(), start, context.host);
    if (reached) return kExitSuccess;
    return Failed(context, p[0], {p[1]},
                  start ? L"it did not reach SERVICE_RUNNING" : L"it did not reach SERVICE_STOPPED");
}

int RunCreate(CommandContext& context, const ParsedArguments& parsed) {
    const std::vector<std::wstring>& p = parsed.positional;
    if (p.size() < 3) ExpectPositionals(kCommand, p, {L"create", L"NAME", L"BINARY"}, {L"DEPENDENCY..."});
    // The dependencies in the control manager's form: each name ended by a zero, one more ending the list.
    std::wstring dependencies;
    for (std::size_t i = 3; i < p.size(); ++i) dependencies += p[i] + L'\0';
    dependencies += L'\0';
    const std::wstring* display = parsed.Value(L"--display");
    const std::wstring* description = parsed.Value(L"--description");
    SetLastError(ERROR_SUCCESS);
    if (CreateNTService(context.host, p[1].c_str(), display ? display->c_str() : nullptr, p[2].c_str(),
                        p.size() > 3 ? dependencies.c_str() : nullptr, description ? description->c_str() : nullptr))
        return kExitSuccess;
    return Failed(context, p[0], {p[1]}, L"the service was not created");
}

int RunLifecycle(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {p[0].c_str(), L"NAME"});
    const std::wstring& name = p[1];
    if (p[0] == L"exists")
        return Code(context, p[0], {name}, static_cast<unsigned long>(ServiceExists(context.host, ToCString(name))));
    SetLastError(ERROR_SUCCESS);
    if (p[0] == L"check") {
        // An answer rather than an operation: no failure line, the exit status says it.
        const bool running = CheckNTService(context.host, name.c_str());
        context.host->PrintLine(running ? L"running" : L"not running");
        return running ? kExitSuccess : kExitFailure;
    }
    if (p[0] == L"delete")
        return DeleteNTService(context.host, name.c_str()) ? kExitSuccess
                                                           : Failed(context, p[0], {name}, L"it was not deleted");
    return DisableNTService(context.host, name.c_str()) ? kExitSuccess
                                                        : Failed(context, p[0], {name}, L"it was not disabled");
}

int RunGetPath(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"get-path", L"NAME"});
    // The size protocol: the length first, then a buffer one character longer.
    unsigned int size = 0;
    if (const unsigned long rc = GetServiceBinaryPath(p[1].c_str(), nullptr, &size))
        return Code(context, p[0], {p[1]}, rc);
    std::wstring path(size + 1, L'\0');
    size += 1;
    if (const unsigned long rc = GetServiceBinaryPath(p[1].c_str(), &path[0], &size))
        return Code(context, p[0], {p[1]}, rc);
    path.resize(size);
    context.host->PrintLine(path);
    return kExitSuccess;
}

std::wstring Named(DWORD value, std::initializer_list<std::pair<DWORD, const wchar_t*>> names) {
    std::wstring text = std::to_wstring(value);
    for (const auto& [number, name] : names)
        if (number == value) return text + L" (" + name + L")";
    return text;
}

int RunConfig(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"config", L"NAME"});
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Code(context, p[0], {p[1]}, GetLastError());
    UniqueServiceHandle service(OpenServiceW(manager.get(), p[1].c_str(), SERVICE_QUERY_CONFIG));
    if (!service) return Code(context, p[0], {p[1]}, GetLastError());
    QUERY_SERVICE_CONFIGW* raw = nullptr;
    DWORD size = 0;
    if (!queryServiceConfig(service.get(), &raw, &size)) return Code(context, p[0], {p[1]}, GetLastError());
    // The block is the caller's, to be freed with the C runtime's free.
    const std::unique_ptr<QUERY_SERVICE_CONFIGW, decltype(&std::free)> config(raw, &std::free);
    ConsoleHost& host = *context.host;
    host.PrintLine(L"type: " + Named(config->dwServiceType, {{SERVICE_WIN32_OWN_PROCESS, L"own process"},
                                                              {SERVICE_WIN32_SHARE_PROCESS, L"shared process"},
                                                              {SERVICE_KERNEL_DRIVER, L"kernel driver"},
                                                              {SERVICE_FILE_SYSTEM_DRIVER, L"file system driver"}}));
    host.PrintLine(L"start: " + Named(config->dwStartType, {{SERVICE_BOOT_START, L"boot"},
                                                             {SERVICE_SYSTEM_START, L"system"},
                                                             {SERVICE_AUTO_START, L"automatic"},
                                                             {SERVICE_DEMAND_START, L"on demand"},
                                                             {SERVICE_DISABLED, L"disabled"}}));
    host.PrintLine(L"error control: " + Named(config->dwErrorControl, {{SERVICE_ERROR_IGNORE, L"ignore"},
                                                                        {SERVICE_ERROR_NORMAL, L"normal"},
                                                                        {SERVICE_ERROR_SEVERE, L"severe"},
                                                                        {SERVICE_ERROR_CRITICAL, L"critical"}}));
    const auto text = [](const wchar_t* value) { return std::wstring(value != nullptr ? value : L""); };
    host.PrintLine(L"binary: " + text(config->lpBinaryPathName));
    host.PrintLine(L"group: " + text(config->lpLoadOrderGroup));
    for (const wchar_t* d = config->lpDependencies; d != nullptr && *d != L'\0'; d += std::wcslen(d) + 1)
        host.PrintLine(L"dependency: " + std::wstring(d));
    host.PrintLine(L"account: " + text(config->lpServiceStartName));
    host.PrintLine(L"display: " + text(config->lpDisplayName));
    return kExitSuccess;
}

int RunService(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(
        kCommand, args,
        {{L"--deadline", true}, {L"--tree", false}, {L"--display", true}, {L"--description", true}});
    const std::vector<std::wstring>& p = parsed.positional;
    if (p.empty()) throw UsageError(kCommand, L"missing ACTION (see 'cw32 service --help')");
    const std::wstring& action = p[0];
    const bool control = action == L"start" || action == L"stop";
    if ((parsed.Has(L"--deadline") || parsed.Has(L"--tree")) && !control)
        throw UsageError(kCommand, L"--deadline and --tree belong to 'service start' and 'service stop'");
    if ((parsed.Has(L"--display") || parsed.Has(L"--description")) && action != L"create")
        throw UsageError(kCommand, L"--display and --description belong to 'service create'");
    if (control) return RunControl(context, parsed);
    if (action == L"create") return RunCreate(context, parsed);
    if (action == L"delete" || action == L"disable" || action == L"check" || action == L"exists")
        return RunLifecycle(context, p);
    if (action == L"add-dependency") {
        ExpectPositionals(kCommand, p, {L"add-dependency", L"NAME", L"DEPENDENCY"});
        return Code(context, action, {p[1], p[2]}, AddServiceDependency(p[1].c_str(), p[2].c_str()));
    }
    if (action == L"set-path") {
        ExpectPositionals(kCommand, p, {L"set-path", L"NAME", L"BINARY"});
        SetLastError(ERROR_SUCCESS);
        if (changeServiceConfigBinaryPath(p[1].c_str(), p[2].c_str())) return kExitSuccess;
        return Failed(context, action, {p[1]}, L"the path was not changed");
    }
    if (action == L"get-path") return RunGetPath(context, p);
    if (action == L"config") return RunConfig(context, p);
    if (action == L"state-name") {
        ExpectPositionals(kCommand, p, {L"state-name", L"STATE"});
        const auto state = static_cast<DWORD>(ParseUnsigned(kCommand, p[1], 0xFFFFFFFFu));
        context.host->PrintLine(FromCString(ServiceStateToString(state)));
        return kExitSuccess;
    }
    throw UsageError(kCommand, L"unknown action " + Quoted(action) + L" (see 'cw32 service --help')");
}

const CommandRegistrar registered{
    {L"service",
     L"service start|stop NAME [--deadline MS] | service stop NAME --tree [--deadline MS]\n"
     L"service create NAME BINARY [DEPENDENCY...] [--display TEXT] [--description TEXT]\n"
     L"service delete|disable|check|exists|get-path|config NAME\n"
     L"service add-dependency NAME DEPENDENCY | service set-path NAME BINARY\n"
     L"service state-name STATE",
     L"start, stop, create, delete and configure services",
     L"NAME is the service's key name, not its display name.\n"
     L"start, stop      send the request and log each status report until the service is\n"
     L"                 running (stopped); --deadline ends a wait still under way after MS\n"
     L"                 milliseconds (none by default); --tree stops the running services\n"
     L"                 that depend on NAME first\n"
     L"create           an own-process service that starts automatically, as the local\n"
     L"                 system account, running the command line BINARY, after the\n"
     L"                 services named as DEPENDENCY\n"
     L"delete           marks the service for deletion: it goes once it has stopped and\n"
     L"                 its last handle is closed\n"
     L"disable          stops the service and sets it to start never\n"
     L"check            prints running or not running; exit status 0 only when running\n"
     L"exists           exit status 0 when the service can be opened for reading\n"
     L"add-dependency   makes NAME depend on DEPENDENCY, which must exist\n"
     L"set-path         replaces the command line, holding the service database lock\n"
     L"get-path         prints the command line\n"
     L"config           prints the stored configuration, one 'field: value' a line\n"
     L"state-name       prints the name of a status code (1 SERVICE_STOPPED ... 7 SERVICE_PAUSED)\n"
     L"A failure ends with a line naming the action, the service and the Windows error; where\n"
     L"the library reports none (a wait that ended in another state), the log lines tell why.\n",
     RunService},
};

}  // namespace
}  // namespace cw32::cli
