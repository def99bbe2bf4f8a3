// Subcommands of the system queries: a file's version, an installed product's property, INI
// values, the computer name.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

namespace cw32::cli {
namespace {

// The INI reader's default limit: one read of 260 characters is all most values need, and a
// longer one is read again in larger buffers up to this many characters.
constexpr std::uint64_t kDefaultIniLimit = 32767;

int RunFileVersion(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"file-version", args, {});
    ExpectPositionals(L"file-version", parsed.positional, {L"PATH"});
    CString version;
    const unsigned int result = myMsiGetFileVersion(parsed.positional[0].c_str(), version);
    if (result != ERROR_SUCCESS) return ReportWindowsError(*context.host, L"file-version", {parsed.positional[0]}, result);
    context.host->PrintLine(FromCString(version));
    return kExitSuccess;
}

int RunProductInfo(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"product-info", args, {});
    ExpectPositionals(L"product-info", parsed.positional, {L"CODE", L"PROPERTY"});
    const std::wstring& code = parsed.positional[0];
    const std::wstring& property = parsed.positional[1];
    CString value;
    const unsigned int result = myMsiGetProductInfo(code.c_str(), property.c_str(), value);
    if (result != ERROR_SUCCESS) return ReportWindowsError(*context.host, L"product-info", {code, property}, result);
    context.host->PrintLine(FromCString(value));
    return kExitSuccess;
}

int RunIni(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"ini", args, {{L"--default", true}, {L"--limit", true}});
    const std::vector<std::wstring>& p = parsed.positional;
    const std::wstring action = p.empty() ? std::wstring() : p[0];
    if (action == L"get") {
        ExpectPositionals(L"ini get", std::vector<std::wstring>(p.begin() + 1, p.end()), {L"FILE", L"SECTION", L"KEY"});
        const std::wstring* fallback = parsed.Value(L"--default");
        const std::wstring* limit = parsed.Value(L"--limit");
        CString value;
        myGetPrivateProfileString(p[2].c_str(), p[3].c_str(), fallback ? fallback->c_str() : L"", value, p[1].c_str(),
                                  static_cast<unsigned int>(limit ? ParseUnsigned(L"ini get", *limit, 0xFFFFFFFFu)
                                                                  : kDefaultIniLimit));
        // A missing file is told apart from a missing key: the reader reports it, the value
        // is then the default.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED)
            return ReportWindowsError(*context.host, L"ini get", {p[1]}, error);
        context.host->PrintLine(FromCString(value));
        return kExitSuccess;
    }
    if (action == L"set") {
        if (parsed.Has(L"--default") || parsed.Has(L"--limit"))
            throw UsageError(L"ini", L"--default and --limit belong to get");
        ExpectPositionals(L"ini set", std::vector<std::wstring>(p.begin() + 1, p.end()), {L"FILE", L"SECTION", L"KEY", L"VALUE"});
        if (!WritePrivateProfileStringW(p[2].c_str(), p[3].c_str(), p[4].c_str(), p[1].c_str()))
            return ReportWindowsError(*context.host, L"ini set", {p[1], p[2], p[3]}, GetLastError());
        return kExitSuccess;
    }
    throw UsageError(L"ini", L"the actions are get and set (see 'cw32 ini --help')");
}

int RunComputerName(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"computer-name", args, {});
    ExpectPositionals(L"computer-name", parsed.positional, {});
    CString name;
    if (!myGetComputerName(name)) return ReportWindowsError(*context.host, L"computer-name", {}, GetLastError());
    context.host->PrintLine(FromCString(name));
    return kExitSuccess;
}

const CommandRegistrar registered{
    {L"file-version", L"file-version PATH", L"the file version of a program or library",
     L"Prints the file version of PATH's version resource (\"10.0.19041.1\"), as the installer\n"
     L"service reads it. Exit status 1 for a missing file (2) or one without a version (1006).\n",
     RunFileVersion},
    {L"product-info", L"product-info CODE PROPERTY", L"a property of an installed product",
     L"Prints PROPERTY (VersionString, InstalledProductName, InstallLocation, ProductName ...)\n"
     L"of the product whose product code is CODE (\"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\").\n"
     L"Exit status 1 for an unknown product (1605), an unknown property (1608) or a malformed\n"
     L"code (87).\n",
     RunProductInfo},
    {L"ini",
     L"ini get FILE SECTION KEY [--default TEXT] [--limit N]\n"
     L"ini set FILE SECTION KEY VALUE",
     L"read and write values of INI files",
     L"get  prints the value (the default, empty unless given, when the key is missing), read\n"
     L"     in buffers of 260, 520 ... characters while it fills them and they are not yet\n"
     L"     larger than N (32767 unless given); exit status 1 when the file cannot be read\n"
     L"set  sets the key, adding the section and creating the file as needed\n"
     L"A FILE without a folder is the Windows folder's, as on Windows: write .\\FILE for the\n"
     L"current folder's.\n",
     RunIni},
    {L"computer-name", L"computer-name", L"the computer's NetBIOS name", L"", RunComputerName},
};

}  // namespace
}  // namespace cw32::cli
