// The mask pair list: argument-list reading and the replacements it drives.
#include "process/pair_list.h"

#include "common-win32/escaping.h"

namespace cw32::process {

bool TakeListValue(CString& list, CString& value, const wchar_t* separator) {
    if (list.IsEmpty()) return false;
    const CString sep(separator);
    int at = sep.IsEmpty() ? -1 : list.Find(sep.GetString());
    while (at >= 0) {
        int backslashes = 0;
        for (int i = at - 1; i >= 0 && list[i] == L'\\'; --i) ++backslashes;
        if (backslashes % 2 == 0) break;  // an even run escapes only itself: this separator ends the value
        at = list.Find(sep.GetString(), at + 1);
    }
    if (at < 0) {
        value = UnescapeSeparator(list, separator);
        list.Empty();
        return true;
    }
    value = UnescapeSeparator(list.Left(at), separator);
    list = list.Mid(at + sep.GetLength());
    return true;
}

void ReplacePairs(CString& line, const wchar_t* pairs) {
    CString list(pairs);
    CString old_text;
    CString new_text;
    while (!list.IsEmpty()) {
        TakeListValue(list, old_text, L"|");
        TakeListValue(list, new_text, L"|");
        if (!old_text.IsEmpty()) line.Replace(old_text.GetString(), new_text.GetString());
    }
}

}  // namespace cw32::process
