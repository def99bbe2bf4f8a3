// Subcommands of the file routines: variable replacement, string search, text files, and
// copying and removing whole trees.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

namespace cw32::cli {
namespace {

// After a routine that logs a file it could not read without the code: the code, from the
// system (a missing file or folder, a folder in place of the file), else a read fault.
int ReportUnreadable(ConsoleHost& host, const wchar_t* operation, const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    DWORD error = ERROR_READ_FAULT;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = GetLastError();
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = ERROR_ACCESS_DENIED;
    }
    return ReportWindowsError(host, operation, {path}, error);
}

// The flags list when none is given: a 0 for every variable, so that no pair lacks its entry
// (one per equals sign is at least one per pair; unused entries change nothing).
CString ClearFlagsFor(const std::wstring& variables) {
    std::wstring flags = L"0";
    for (const wchar_t c : variables)
        if (c == L'=') flags += L",0";
    return ToCString(flags);
}

int RunReplaceVars(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed =
        ParseArguments(L"replace-vars", args, {{L"--flags", true}, {L"--unescape", false}, {L"--show-hidden", false}});
    ExpectPositionals(L"replace-vars", parsed.positional, {L"FILE", L"VARIABLES"});
    const std::wstring& path = parsed.positional[0];
    const std::wstring& variables = parsed.positional[1];
    // The routine leaves a target it cannot replace (a read-only file) as it was without a
    // word, so that one is refused before it starts.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return ReportWindowsError(*context.host, L"replace-vars", {path}, ERROR_ACCESS_DENIED);
    const std::wstring* flags = parsed.Value(L"--flags");
    ReplaceFileVariables(context.host, ToCString(path), ToCString(variables),
                         flags ? ToCString(*flags) : ClearFlagsFor(variables), parsed.Has(L"--unescape"),
                         parsed.Has(L"--show-hidden"));
    // A rewrite that stopped says so in the last line it logged; the file is as it was.
    const std::wstring& last = context.host->LastLine();
    if (last.find(L"ReplaceFileVariables: error reading from") != std::wstring::npos)
        return ReportUnreadable(*context.host, L"replace-vars", path);
    if (last.find(L"ReplaceFileVariables: Incorrect formatting") != std::wstring::npos)
        return ReportWindowsError(*context.host, L"replace-vars", {path, variables}, ERROR_INVALID_PARAMETER);
    return kExitSuccess;
}

int RunFind(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"find", args, {{L"--ignore-case", false}, {L"--first", false}});
    ExpectPositionals(L"find", parsed.positional, {L"FILE", L"TEXT"});
    if (parsed.positional[1].empty()) throw UsageError(L"find", L"the search text is empty");
    int flags = 0;
    if (parsed.Has(L"--ignore-case")) flags |= FIND_STRING_IGNORE_CASE;
    if (parsed.Has(L"--first")) flags |= FIND_STRING_FIRST_ONLY;
    const std::wstring& path = parsed.positional[0];
    CString text = ToCString(parsed.positional[1]);
    const int found = FindStringInFile(context.host, ToCString(path), text, flags);
    if (found < 0) return ReportUnreadable(*context.host, L"find", path);
    context.host->PrintLine(std::to_wstring(found));
    return kExitSuccess;
}

int RunCopy(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"copy", args, {});
    ExpectPositionals(L"copy", parsed.positional, {L"SOURCE", L"DEST"});
    const std::wstring& source = parsed.positional[0];
    const std::wstring& target = parsed.positional[1];
    if (FileRecursiveCopy(context.host, ToCString(source), ToCString(target))) return kExitSuccess;
    // The copy logs the shell's own code, which is no Windows error: a missing source is told
    // by its own lookup, anything else by the last refusal the copy left behind.
    DWORD error = GetLastError();
    if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) error = GetLastError();
    return ReportWindowsError(*context.host, L"copy", {source, target}, error ? error : ERROR_OPEN_FAILED);
}

int RunRmtree(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"rmtree", args, {});
    ExpectPositionals(L"rmtree", parsed.positional, {L"DIR"});
    const std::wstring& folder = parsed.positional[0];
    if (folder.empty()) throw UsageError(L"rmtree", L"the folder name is empty");
    DeleteAllFilesAndDirectories(context.host, folder.c_str());
    const DWORD error = GetLastError();
    // The routine goes on past failures and only logs them; the folder still being there is
    // what tells the caller it did not finish, with the code of the last refusal.
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return kExitSuccess;
    return ReportWindowsError(*context.host, L"rmtree", {folder}, error ? error : ERROR_DIR_NOT_EMPTY);
}

int RunTextFile(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"textfile", args, {});
    if (parsed.positional.size() < 2) ExpectPositionals(L"textfile", parsed.positional, {L"write|append", L"FILE"});
    const std::wstring& action = parsed.positional[0];
    if (action != L"write" && action != L"append")
        throw UsageError(L"textfile", L"unknown action " + Quoted(action) + L" (write or append)");
    const bool append = action == L"append";
    const std::wstring& path = parsed.positional[1];
    CTextFile file;
    const DWORD flags = CFile::modeCreate | CFile::modeWrite | (append ? DWORD{CFile::modeNoTruncate} : DWORD{0});
    if (!file.Open(path.c_str(), flags)) return ReportWindowsError(*context.host, L"textfile " + action, {path}, GetLastError());
    try {
        if (append) file.SeekToEnd();
        for (std::size_t i = 2; i < parsed.positional.size(); ++i) file.WriteLine(parsed.positional[i].c_str());
        file.Close();
    } catch (CFileException* error) {
        const LONG code = error->m_lOsError;
        error->Delete();
        return ReportWindowsError(*context.host, L"textfile " + action, {path}, static_cast<DWORD>(code));
    }
    return kExitSuccess;
}

const CommandRegistrar registered{
    {L"replace-vars", L"replace-vars FILE VARIABLES [--flags LIST] [--unescape] [--show-hidden]",
     L"replace variables inside a text file, rewriting it in UTF-8 with CR LF",
     L"VARIABLES is a list of name=\"value\" items separated by commas; every occurrence of a name\n"
     L"in a line becomes its value. LIST holds one number per variable, in the same order:\n"
     L"16 shows the value as ******** in the log, 32 the name, 48 both; without --flags, 0 for all.\n"
     L"--unescape      read \\= as part of a name and drop the backslash before any character\n"
     L"--show-hidden   log names and values in clear whatever the flags\n"
     L"Each replacement and any failure is a log line; on failure the file stays as it was and\n"
     L"the exit status is 1 (a missing file, a folder or a read-only file is refused at once).\n",
     RunReplaceVars},
    {L"find", L"find FILE TEXT [--ignore-case] [--first]", L"count the occurrences of a text in a file",
     L"Prints the number of non-overlapping occurrences, line by line, and logs each one.\n"
     L"--ignore-case   compare with A to Z lower-cased on both sides\n"
     L"--first         stop at the first occurrence (prints 1 or 0)\n"
     L"Exit status 1 when the file cannot be read.\n",
     RunFind},
    {L"copy", L"copy SOURCE DEST", L"copy a file or a whole folder tree, overwriting without asking",
     L"The shell's copy: a folder copied onto an existing folder lands inside it, onto a new name\n"
     L"it takes that name; a wildcard in SOURCE copies the matching entries. Exit status 1 when\n"
     L"the shell reports an error (its code is in the log).\n",
     RunCopy},
    {L"rmtree", L"rmtree DIR", L"delete a folder with everything in it",
     L"Read-only files are deleted too; links to folders are removed, never followed. Each\n"
     L"failure is a log line and the deletion goes on; exit status 1 when DIR is still there.\n",
     RunRmtree},
    {L"textfile", L"textfile write|append FILE [TEXT...]", L"write lines of text to a file in UTF-8",
     L"Each TEXT becomes one line ending in CR LF. write creates or empties FILE first; append\n"
     L"adds to its end (creating it when missing).\n",
     RunTextFile},
};

}  // namespace
}  // namespace cw32::cli
