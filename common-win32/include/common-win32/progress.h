// Progress announcements: each function writes one stamped line with a tick count and
// returns 0. Times convert at 100000 ticks per unit.
#pragma once

#include <common-win32/export.h>
#include <common-win32/host.h>
#include <common-win32/platform.h>

CW32_API DWORD UseProgressTicks(boost::shared_ptr<ILogger> logger, int ticks);
CW32_API DWORD UseProgressTime(boost::shared_ptr<ILogger> logger, int time);
CW32_API DWORD AddTicksToProgressBar(boost::shared_ptr<ILogger> logger, int ticks);
CW32_API DWORD AddTimeToProgressBar(boost::shared_ptr<ILogger> logger, int time);
