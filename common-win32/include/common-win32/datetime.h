// The log stamp's local date and time.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

CW32_API CString GetDateString();  // local date, "%Y/%m/%d"
CW32_API CString GetTimeString();  // local time, "%I:%M:%S" (12-hour clock, no AM/PM)
