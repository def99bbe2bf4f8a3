// The "|"-separated pair list of the closing line's mask.
#pragma once

#include "common-win32/cstring.h"

namespace cw32::process {

// Takes the first value off an argument list (values ended by `separator`, with the separator
// and backslash escaped by a backslash inside values). False on an empty list, leaving `value`
// as it was. The runner keeps this reader of its own until the shared argument-list routines
// are part of the library; it follows the same rules.
bool TakeListValue(CString& list, CString& value, const wchar_t* separator);

// Replaces, in order, each old text of the pair list `pairs` by the new text that follows it.
// The two texts carry over from pair to pair, so a last, incomplete pair replaces its old text
// by the previous pair's new text (or deletes it when it is the only one).
void ReplacePairs(CString& line, const wchar_t* pairs);

}  // namespace cw32::process
