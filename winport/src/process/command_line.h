// How a Windows command line becomes a POSIX program and argument vector.
#pragma once

#include <winport/types.h>

#include <string>
#include <vector>

namespace winport::detail {

// The argument vector a Windows program's runtime builds from its command line: the program
// name ends at the first blank (or at the closing quote when it starts with one, with no
// escapes); later arguments follow the runtime's rules for quotes and backslashes (2n
// backslashes and a quote give n backslashes and toggle quoting; 2n+1 give n and a literal
// quote; "" inside quotes is a literal quote).
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

// The texts Windows tries, in order, as the program when no application name is given: the
// quoted name alone, or for an unquoted one each longer prefix ending before a blank, then
// the whole line ("c:\program files\a b" tries "c:\program", "c:\program files\a", ...).
std::vector<std::wstring> ProgramCandidates(std::wstring_view line);

// Finds the program file as Windows searches for it: a name with a path is taken relative to
// the current directory; a bare name is looked for in the calling program's directory, the
// current directory and each PATH entry. In each place the name is tried as given and, when
// its last component has no extension, with ".exe" appended. Returns the POSIX path, or an
// empty string with *error set (ERROR_FILE_NOT_FOUND, or ERROR_ACCESS_DENIED when only files
// that cannot be run were found).
std::string FindProgram(std::wstring_view name, DWORD* error);

}  // namespace winport::detail
