// The mask pair list of the closing line: the replacements it drives.
#include "process/pair_list.h"

#include "common-win32/arguments.h"

namespace cw32::process {

void ReplacePairs(CString& line, const wchar_t* pairs) {
    CString list(pairs);
    CString old_text;
    CString new_text;
    while (!list.IsEmpty()) {
        GetArg(list, old_text, L"|");
        GetArg(list, new_text, L"|");
        if (!old_text.IsEmpty()) line.Replace(old_text.GetString(), new_text.GetString());
    }
}

}  // namespace cw32::process
