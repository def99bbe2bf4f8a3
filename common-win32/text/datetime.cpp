// The date and time of log stamps, in local time.
#include "common-win32/datetime.h"

#include <ctime>

namespace {

CString FormatLocalNow(const char* format) {
    __time64_t now = 0;
    _time64(&now);
    const struct tm* local = _localtime64(&now);
    if (local == nullptr) return CString();  // a clock the runtime cannot convert: no stamp text
    char buffer[20] = {};
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, local);
    return CString(buffer, static_cast<int>(n));
}

}  // namespace

CString GetDateString() { return FormatLocalNow("%Y/%m/%d"); }

CString GetTimeString() { return FormatLocalNow("%I:%M:%S"); }
