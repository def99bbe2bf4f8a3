// Comparison of dotted version texts.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>

// Components split on any of ",.;:# " (empty ones dropped), read as signed 32-bit numbers; a
// version that runs out of components first is the smaller. Returns 1, 0 or -1.
CW32_API int compareVersionStr(const CString& first, const CString& second);

// Components split on "." with the argument-list rules (empty ones count), read as unsigned
// 16-bit numbers and padded with zeros to `count`; the first `count` are compared. Returns the
// first unequal pair's difference (first minus second), 0 when equal. A count below 1 sets the
// last error to ERROR_INVALID_PARAMETER and returns 0.
CW32_API int VersionCompare(const wchar_t* first, const wchar_t* second, int count);
