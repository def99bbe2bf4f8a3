// The registry subcommand: values and keys through CInstallRegistry, the registry search and
// probes, key protection (POSIX), and export and import of registry editor files.
#include "command_line.h"
#include "commands.h"
#include "regfile/reg_file.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

#include <cstdio>

namespace cw32::cli {
namespace {

const wchar_t kCommand[] = L"reg";

// "reg ACTION 'KEY' ['NAME']: error N: ...", with the thread's last error.
int Failed(CommandContext& context, const std::wstring& action, std::initializer_list<std::wstring> subjects) {
    return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, subjects, GetLastError());
}

bool OpenForReading(CInstallRegistry& reg, const std::wstring& path) {
    return reg.OpenKey(ToCString(path), KEY_READ);
}

std::wstring HexOf(const BYTE* data, DWORD size) {
    return FormatHexBytes(std::string(reinterpret_cast<const char*>(data), size));
}

int RunGet(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"get", L"KEYPATH", L"NAME"});
    CInstallRegistry reg;
    if (!OpenForReading(reg, p[1])) return Failed(context, p[0], {p[1]});
    const CString name = ToCString(p[2]);
    CString text;
    DWORD type = 0, size = 0;
    if (!reg.GetValue(name, &text, &type, &size)) return Failed(context, p[0], {p[1], p[2]});
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        context.host->PrintLine(FromCString(text));
    } else if (type == REG_MULTI_SZ) {
        CStringArray items;
        if (!reg.GetMultiString(name, items)) return Failed(context, p[0], {p[1], p[2]});
        for (std::intptr_t i = 0; i < items.GetSize(); ++i) context.host->PrintLine(FromCString(items[i]));
    } else if (type == REG_DWORD && size == 4) {
        DWORD number = 0;
        if (!reg.GetDWord(name, &number)) return Failed(context, p[0], {p[1], p[2]});
        context.host->PrintLine(std::to_wstring(number));
    } else {
        std::vector<BYTE> data(size + 1);
        DWORD read = size;
        LONG rc = RegQueryValueExW(reg.GetHKEY(), name.GetString(), nullptr, nullptr, data.data(), &read);
        if (rc != ERROR_SUCCESS) return SetLastError(static_cast<DWORD>(rc)), Failed(context, p[0], {p[1], p[2]});
        if (type == REG_QWORD && read == 8) {
            unsigned long long number = 0;
            for (int i = 7; i >= 0; --i) number = (number << 8) | data[static_cast<std::size_t>(i)];
            context.host->PrintLine(std::to_wstring(number));
        } else {
            context.host->PrintLine(HexOf(data.data(), read));
        }
    }
    return kExitSuccess;
}

int RunSet(CommandContext& context, const std::vector<std::wstring>& p, const std::wstring* type_option) {
    if (p.size() < 4) ExpectPositionals(kCommand, p, {L"set", L"KEYPATH", L"NAME", L"VALUE"});
    const std::wstring type = type_option ? *type_option : L"sz";
    if (type != L"multi" && p.size() > 4) ExpectPositionals(kCommand, p, {L"set", L"KEYPATH", L"NAME", L"VALUE"});
    CInstallRegistry reg;
    if (!reg.CreateKey(ToCString(p[1]))) return Failed(context, p[0], {p[1]});
    const CString name = ToCString(p[2]);
    bool ok = false;
    if (type == L"sz" || type == L"expand") {
        ok = reg.SetString(name, ToCString(p[3]), type == L"expand");
    } else if (type == L"dword") {
        ok = reg.SetDWord(name, static_cast<DWORD>(ParseUnsigned(kCommand, p[3], 0xFFFFFFFFu)));
    } else if (type == L"qword") {
        const unsigned long long number = ParseUnsigned(kCommand, p[3], ~0ULL);
        BYTE bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<BYTE>((number >> (8 * i)) & 0xFF);
        ok = reg.SetValue(name, reinterpret_cast<const wchar_t*>(bytes), REG_QWORD, 8);
    } else if (type == L"binary") {
        const std::string bytes = ParseHexBytes(kCommand, p[3]);
        ok = reg.SetValue(name, reinterpret_cast<const wchar_t*>(bytes.data()), REG_BINARY,
                          static_cast<DWORD>(bytes.size()));
    } else if (type == L"multi") {
        CStringArray items;
        for (std::size_t i = 3; i < p.size(); ++i) items.Add(ToCString(p[i]));
        ok = reg.SetMultiString(name, items);
    } else {
        throw UsageError(kCommand, L"unknown type " + Quoted(type) + L" (sz, expand, dword, qword, multi or binary)");
    }
    return ok ? kExitSuccess : Failed(context, p[0], {p[1], p[2]});
}

int RunEnumerate(CommandContext& context, const std::vector<std::wstring>& p, bool keys) {
    ExpectPositionals(kCommand, p, {keys ? L"enum-keys" : L"enum-values", L"KEYPATH"});
    CInstallRegistry reg;
    if (!OpenForReading(reg, p[1])) return Failed(context, p[0], {p[1]});
    CString name;
    bool more = keys ? reg.EnumKeys(name, true) : reg.EnumValues(name, true);
    while (more) {
        context.host->PrintLine(FromCString(name));
        more = keys ? reg.EnumKeys(name, false) : reg.EnumValues(name, false);
    }
    return GetLastError() == ERROR_NO_MORE_ITEMS ? kExitSuccess : Failed(context, p[0], {p[1]});
}

int RunKeyAction(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"create|delete-key|delete-value", L"KEYPATH"}, {L"NAME"});
    CInstallRegistry reg;
    if (p[0] == L"delete-value") {
        ExpectPositionals(kCommand, p, {L"delete-value", L"KEYPATH", L"NAME"});
        if (!reg.OpenKey(ToCString(p[1]), KEY_SET_VALUE)) return Failed(context, p[0], {p[1]});
        return reg.DeleteValue(ToCString(p[2])) ? kExitSuccess : Failed(context, p[0], {p[1], p[2]});
    }
    ExpectPositionals(kCommand, p, {p[0].c_str(), L"KEYPATH"});
    if (p[0] == L"create") return reg.CreateKey(ToCString(p[1])) ? kExitSuccess : Failed(context, p[0], {p[1]});
    return reg.DeleteKey(ToCString(p[1])) ? kExitSuccess : Failed(context, p[0], {p[1]});
}

int RunSearch(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"search", L"KEYPATH", L"NAME", L"TYPE"});
    const CString found = CInstallRegistry::searchRegistry(ToCString(p[1]), ToCString(p[2]), ToCString(p[3]));
    if (found.IsEmpty()) {
        context.host->Diagnose(L"reg: nothing found at " + p[1] + L" \"" + p[2] + L"\"");
        return kExitFailure;
    }
    context.host->PrintLine(FromCString(found));
    return kExitSuccess;
}

int RunProbe(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"java|iis7"});
    if (p[0] == L"iis7") {
        const bool newer = isIIS7OrHigher();
        context.host->PrintLine(newer ? L"yes" : L"no");
        return newer ? kExitSuccess : kExitFailure;
    }
    CString command;
    if (!GetJavaFromReg(&command)) {
        context.host->Diagnose(L"reg: no Java runtime is recorded in the registry");
        return kExitFailure;
    }
    context.host->PrintLine(FromCString(command));
    return kExitSuccess;
}

int RunProtect(CommandContext& context, const std::vector<std::wstring>& p, bool read, bool write) {
    ExpectPositionals(kCommand, p, {p[0].c_str(), L"KEYPATH"});
    const bool protect = p[0] == L"protect";
    if (protect && !read && !write) throw UsageError(kCommand, L"give --read, --write or both");
#if defined(_WIN32)
    context.host->Diagnose(L"reg: protect and unprotect are for the POSIX registry; use the security editor here");
    return kExitFailure;
#else
    HKEY hive = nullptr;
    std::wstring subkey;
    if (!regfile::SplitKeyPath(p[1], hive, subkey)) throw UsageError(kCommand, L"unknown hive in " + Quoted(p[1]));
    // protect replaces the key's protection with what is named; unprotect lifts all of it.
    const LONG rc = winport::RegSetKeyProtection(hive, subkey.c_str(), protect && read, protect && write);
    if (rc != ERROR_SUCCESS) return SetLastError(static_cast<DWORD>(rc)), Failed(context, p[0], {p[1]});
    return kExitSuccess;
#endif
}

int RunExport(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"export", L"KEYPATH", L"FILE"});
    std::vector<regfile::Section> sections;
    if (const LONG rc = regfile::ReadTree(p[1], sections); rc != ERROR_SUCCESS)
        return SetLastError(static_cast<DWORD>(rc)), Failed(context, p[0], {p[1]});
    const std::string bytes = regfile::EncodeFile(regfile::WriteText(sections));
    FilePtr file = OpenFile(p[2], "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        context.host->Diagnose(L"reg: cannot write " + p[2]);
        return kExitFailure;
    }
    return kExitSuccess;
}

int RunImport(CommandContext& context, const std::vector<std::wstring>& p) {
    ExpectPositionals(kCommand, p, {L"import", L"FILE"});
    std::string bytes;
    if (!ReadWholeFile(p[1], bytes)) {
        context.host->Diagnose(L"reg: cannot read " + p[1]);
        return kExitFailure;
    }
    std::wstring text, error, where;
    std::vector<regfile::Section> sections;
    if (!regfile::DecodeFile(bytes, text, error) || !regfile::ParseText(text, sections, error)) {
        context.host->Diagnose(L"reg: " + p[1] + L": " + error);
        return kExitFailure;
    }
    if (const LONG rc = regfile::ApplySections(sections, where); rc != ERROR_SUCCESS)
        return SetLastError(static_cast<DWORD>(rc)), Failed(context, p[0], {p[1], where});
    return kExitSuccess;
}

int RunRegistry(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed =
        ParseArguments(kCommand, args, {{L"--type", true}, {L"--read", false}, {L"--write", false}});
    const std::vector<std::wstring>& p = parsed.positional;
    if (p.empty()) throw UsageError(kCommand, L"missing ACTION (see 'cw32 reg --help')");
    const std::wstring& action = p[0];
    if (parsed.Has(L"--type") && action != L"set") throw UsageError(kCommand, L"--type belongs to 'reg set'");
    if ((parsed.Has(L"--read") || parsed.Has(L"--write")) && action != L"protect" && action != L"unprotect")
        throw UsageError(kCommand, L"--read and --write belong to 'reg protect' and 'reg unprotect'");
    try {
        if (action == L"get") return RunGet(context, p);
        if (action == L"set") return RunSet(context, p, parsed.Value(L"--type"));
        if (action == L"enum-keys" || action == L"enum-values") return RunEnumerate(context, p, action == L"enum-keys");
        if (action == L"create" || action == L"delete-key" || action == L"delete-value") return RunKeyAction(context, p);
        if (action == L"search") return RunSearch(context, p);
        if (action == L"java" || action == L"iis7") return RunProbe(context, p);
        if (action == L"protect" || action == L"unprotect")
            return RunProtect(context, p, parsed.Has(L"--read"), parsed.Has(L"--write"));
        if (action == L"export") return RunExport(context, p);
        if (action == L"import") return RunImport(context, p);
    } catch (long code) {
        // OpenKey throws the Windows code when the system refuses a key.
        return ReportWindowsError(*context.host, std::wstring(kCommand) + L" " + action, {p.size() > 1 ? p[1] : L""},
                                  static_cast<DWORD>(code));
    }
    throw UsageError(kCommand, L"unknown action " + Quoted(action) + L" (see 'cw32 reg --help')");
}

const CommandRegistrar registered{
    {L"reg",
     L"reg get KEYPATH NAME\n"
     L"reg set KEYPATH NAME VALUE... [--type sz|expand|dword|qword|multi|binary]\n"
     L"reg delete-value KEYPATH NAME\n"
     L"reg enum-keys|enum-values|create|delete-key KEYPATH\n"
     L"reg search KEYPATH NAME TYPE\n"
     L"reg java | reg iis7\n"
     L"reg protect KEYPATH [--read] [--write] | reg unprotect KEYPATH\n"
     L"reg export KEYPATH FILE | reg import FILE",
     L"read, write, search, export and import registry keys and values",
     L"KEYPATH is a full path with its hive name: HKEY_CURRENT_USER\\Software\\Example.\n"
     L"An empty NAME (\"\") is the key's default value.\n"
     L"get        prints a string, a number (dword, qword), a multi-string's items one per\n"
     L"           line, or other data as hex bytes\n"
     L"set        creates the key when needed; --type picks the value type (sz by default);\n"
     L"           dword and qword take a decimal or 0x number, binary hex bytes, multi one\n"
     L"           VALUE per item\n"
     L"delete-key removes the key with everything below it\n"
     L"search     prints the value as the installer's registry search reads it; TYPE is\n"
     L"           0 (directory), 1 (file name) or 2 (raw value), plus 16 for the 64-bit view\n"
     L"java       prints the java command recorded by the product's installer\n"
     L"iis7       prints yes when the web server service is version 7 or later\n"
     L"protect    (POSIX) refuses reading (--read) and/or writing (--write) the key,\n"
     L"           replacing its earlier protection; unprotect lifts all of it\n"
     L"export     writes the key and everything below it as a registry editor file\n"
     L"           (\"Windows Registry Editor Version 5.00\", UTF-16LE)\n"
     L"import     applies a registry editor file (UTF-16LE or UTF-8)\n",
     RunRegistry},
};

}  // namespace
}  // namespace cw32::cli
