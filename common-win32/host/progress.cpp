// Progress announcements: one stamped line each, always showing the tick count.
#include "common-win32/progress.h"

#include "common-win32/log.h"

#include <cstdint>

namespace {

constexpr std::int32_t kTicksPerTimeUnit = 100000;

// A product outside the 32-bit range wraps as 32-bit arithmetic does (the line then shows the
// wrapped count), computed without the undefined behaviour of signed overflow.
int TimeToTicks(int time) {
    const auto wrapped = static_cast<std::uint32_t>(time) * static_cast<std::uint32_t>(kTicksPerTimeUnit);
    return static_cast<std::int32_t>(wrapped);
}

DWORD LogTicks(const boost::shared_ptr<ILogger>& logger, const wchar_t* format, int ticks) {
    CString line;
    line.Format(format, ticks);
    LogMessage(logger, line);
    return 0;
}

}  // namespace

DWORD UseProgressTicks(boost::shared_ptr<ILogger> logger, int ticks) {
    return LogTicks(logger, L"UseProgressTime: %i ticks", ticks);
}

DWORD UseProgressTime(boost::shared_ptr<ILogger> logger, int time) { return UseProgressTicks(logger, TimeToTicks(time)); }

DWORD AddTicksToProgressBar(boost::shared_ptr<ILogger> logger, int ticks) {
    return LogTicks(logger, L"AddTimeToProgressBar: Adding %i ticks", ticks);
}

DWORD AddTimeToProgressBar(boost::shared_ptr<ILogger> logger, int time) {
    return AddTicksToProgressBar(logger, TimeToTicks(time));
}
