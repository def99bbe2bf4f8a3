// The "|"-separated pair list of the closing line's mask.
#pragma once

#include "common-win32/cstring.h"

namespace cw32::process {

// Replaces, in order, each old text of the pair list `pairs` by the new text that follows it.
// The two texts carry over from pair to pair, so a last, incomplete pair replaces its old text
// by the previous pair's new text (or deletes it when it is the only one).
void ReplacePairs(CString& line, const wchar_t* pairs);

}  // namespace cw32::process
