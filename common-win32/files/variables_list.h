// The variables list and the flags list of the variable replacement, cut into their parts.
#pragma once

#include <common-win32/cstring.h>

#include <vector>

namespace cw32::files {

struct Variable {
    CString name;
    CString value;
};

enum class ParseProblem {
    None,
    MissingEquals,     // an item without an equals sign that counts: nothing may be replaced
    MissingEndQuote,   // the last item does not end in a quote: its value lost its last character
};

struct ParsedVariables {
    std::vector<Variable> variables;
    ParseProblem problem = ParseProblem::None;
    CString rest;  // the remaining string at the problem, for its log line
};

// «name="value",name="value"...» read from the left; see ReplaceFileVariables for the rules.
// With `unescape`, an equals sign after an odd run of backslashes belongs to the name, and
// names and values go through UnEscapeNonAlpha once cut out.
ParsedVariables ParseVariables(const CString& variables, bool unescape);

// Comma-separated numbers read as _wtol reads them; an empty entry is 0, a trailing comma
// adds none.
std::vector<long> ParseFlags(const CString& flags);

}  // namespace cw32::files
