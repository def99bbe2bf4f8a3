// Cutting the variables list and the flags list of the variable replacement.
#include "files/variables_list.h"

#include "common-win32/escaping.h"
#include "common-win32/platform.h"

namespace cw32::files {
namespace {

// The first equals sign that ends a name, from `from` on; -1 when there is none.
int FindNameEnd(const CString& item, bool unescape) {
    int equals = item.Find(L'=');
    while (unescape && equals >= 0) {
        int backslashes = 0;
        while (equals - backslashes - 1 >= 0 && item.GetAt(equals - backslashes - 1) == L'\\') ++backslashes;
        if (backslashes % 2 == 0) break;
        equals = item.Find(L'=', equals + 1);
    }
    return equals;
}

}  // namespace

ParsedVariables ParseVariables(const CString& variables, bool unescape) {
    ParsedVariables parsed;
    CString rest = variables;
    while (!rest.IsEmpty()) {
        const int equals = FindNameEnd(rest, unescape);
        if (equals < 0) {
            parsed.variables.clear();
            parsed.problem = ParseProblem::MissingEquals;
            parsed.rest = rest;
            return parsed;
        }
        Variable variable;
        variable.name = rest.Left(equals);
        // The character after the equals sign is taken as the opening quote, whatever it is.
        const int value_start = equals + 2;
        const int item_end = rest.Find(L"\",");
        if (item_end >= 0) {
            // A «",» inside the name leaves a value of negative length: it is empty.
            if (item_end > value_start) variable.value = rest.Mid(value_start, item_end - value_start);
            rest = rest.Mid(item_end + 2);
        } else {
            // The last item: its value runs to the string's last character, the closing quote.
            if (rest.GetAt(rest.GetLength() - 1) != L'"') {
                parsed.problem = ParseProblem::MissingEndQuote;
                parsed.rest = rest;
            }
            const int value_length = rest.GetLength() - 1 - value_start;
            if (value_length > 0) variable.value = rest.Mid(value_start, value_length);
            rest.Empty();
        }
        if (unescape) {
            variable.name = UnEscapeNonAlpha(variable.name);
            variable.value = UnEscapeNonAlpha(variable.value);
        }
        parsed.variables.push_back(variable);
    }
    return parsed;
}

std::vector<long> ParseFlags(const CString& flags) {
    std::vector<long> entries;
    int start = 0;
    const int length = flags.GetLength();
    while (start < length) {
        int comma = flags.Find(L',', start);
        if (comma < 0) comma = length;
        entries.push_back(_wtol(flags.Mid(start, comma - start).GetString()));
        start = comma + 1;
    }
    return entries;
}

}  // namespace cw32::files
