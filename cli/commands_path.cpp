// The path subcommand: trailing separators, splitting and joining, the short and temporary
// paths, and the plain-character test.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

namespace cw32::cli {
namespace {

constexpr wchar_t kCommand[] = L"path";

int PrintResult(CommandContext& context, const CString& result) {
    context.host->PrintLine(FromCString(result));
    return kExitSuccess;
}

int RunSplit(CommandContext& context, const std::vector<std::wstring>& words) {
    ExpectPositionals(L"path split", words, {L"PATH"});
    CString drive, directory, name, extension;
    mySplitPath(words[0].c_str(), &drive, &directory, &name, &extension);
    context.host->PrintLine(L"drive: " + FromCString(drive));
    context.host->PrintLine(L"directory: " + FromCString(directory));
    context.host->PrintLine(L"name: " + FromCString(name));
    context.host->PrintLine(L"extension: " + FromCString(extension));
    return kExitSuccess;
}

int RunJoin(CommandContext& context, const ParsedArguments& parsed) {
    ExpectPositionals(L"path join", parsed.positional, {});
    // A part not given is a null part, which differs from an empty one only for the name.
    auto part = [&](const wchar_t* option) {
        const std::wstring* value = parsed.Value(option);
        return value != nullptr ? value->c_str() : nullptr;
    };
    CString out;
    myMakePath(out, part(L"--drive"), part(L"--dir"), part(L"--name"), part(L"--ext"));
    return PrintResult(context, out);
}

int RunShort(CommandContext& context, const std::vector<std::wstring>& words) {
    ExpectPositionals(L"path short", words, {L"PATH"});
    int count = 0;
    const CString result = myGetShortPath(ToCString(words[0]), count);
    if (count == 0) return ReportWindowsError(*context.host, L"path short", {words[0]}, GetLastError());
    if (count > MAX_PATH) {
        context.host->Diagnose(L"path short: the short form of " + Quoted(words[0]) + L" needs " +
                               std::to_wstring(count) + L" characters, more than " + std::to_wstring(MAX_PATH));
        return kExitFailure;
    }
    return PrintResult(context, result);
}

int RunTemp(CommandContext& context, const std::vector<std::wstring>& words) {
    ExpectPositionals(L"path temp", words, {});
    const CString temp = myGetTempPath();
    if (temp.IsEmpty()) return ReportWindowsError(*context.host, L"path temp", {}, GetLastError());
    return PrintResult(context, temp);
}

int RunPath(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(
        kCommand, args,
        {{L"--drive", true}, {L"--dir", true}, {L"--name", true}, {L"--ext", true}, {L"--forward", false}});
    if (parsed.positional.empty()) throw UsageError(kCommand, L"missing ACTION (see 'cw32 path --help')");
    const std::wstring& action = parsed.positional[0];
    const std::vector<std::wstring> words(parsed.positional.begin() + 1, parsed.positional.end());
    const bool joinOptions =
        parsed.Has(L"--drive") || parsed.Has(L"--dir") || parsed.Has(L"--name") || parsed.Has(L"--ext");
    if (joinOptions && action != L"join") throw UsageError(kCommand, L"--drive, --dir, --name and --ext belong to join");
    if (parsed.Has(L"--forward") && action != L"add-slash") throw UsageError(kCommand, L"--forward belongs to add-slash");

    if (action == L"join") return RunJoin(context, {words, parsed.options});
    if (action == L"split") return RunSplit(context, words);
    if (action == L"short") return RunShort(context, words);
    if (action == L"temp") return RunTemp(context, words);
    if (action == L"is-ascii") {
        ExpectPositionals(L"path is-ascii", words, {L"PATH"});
        context.host->PrintLine(PathIsAscii(words[0].c_str()) ? L"true" : L"false");
        return kExitSuccess;
    }
    CString text;
    if (action == L"add-slash") {
        ExpectPositionals(L"path add-slash", words, {L"PATH"});
        text = ToCString(words[0]);
        // There is no forward-slash adder: HandleSlash with selector 0 serves for it.
        if (parsed.Has(L"--forward")) HandleSlash(text, L'/', 0);
        else AddTrailingBackSlash(text);
    } else if (action == L"remove-slash") {
        ExpectPositionals(L"path remove-slash", words, {L"PATH"});
        text = ToCString(words[0]);
        RemoveTrailingBackSlash(text);
    } else if (action == L"remove-forward-slash") {
        ExpectPositionals(L"path remove-forward-slash", words, {L"PATH"});
        text = ToCString(words[0]);
        RemoveTrailingForwardSlash(text);
    } else {
        throw UsageError(kCommand, L"unknown action " + Quoted(action) + L" (see 'cw32 path --help')");
    }
    return PrintResult(context, text);
}

const CommandRegistrar registered{
    {L"path",
     L"path split PATH\n"
     L"path join [--drive D] [--dir DIR] [--name NAME] [--ext EXT]\n"
     L"path short PATH\n"
     L"path temp\n"
     L"path is-ascii PATH\n"
     L"path add-slash [--forward] PATH\n"
     L"path remove-slash PATH\n"
     L"path remove-forward-slash PATH",
     L"split, join and test paths; the short and temporary paths",
     L"split                 prints the drive, directory, name and extension, one per line\n"
     L"join                  joins the parts given (a part left out is no part): the drive's\n"
     L"                      letter and a colon, the directory closed by a backslash, the\n"
     L"                      name, the extension behind one period\n"
     L"short                 the system's short (8.3) form; exit status 1 when it has none\n"
     L"temp                  the system's temporary directory, with its trailing separator\n"
     L"is-ascii              'true' when PATH uses only letters, digits and _-.\\:() and space\n"
     L"add-slash             ends PATH with a backslash (a slash with --forward)\n"
     L"remove-slash          takes one trailing backslash off\n"
     L"remove-forward-slash  takes one trailing slash off\n"
     L"An empty PATH never gains or loses a separator.\n",
     RunPath},
};

}  // namespace
}  // namespace cw32::cli
