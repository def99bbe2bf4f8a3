// POSIX emulation of the kernel's time functions and Sleep, all through winport's clock.
// No library logic here.
#include <winport/kernel.h>

#include "core/clock.h"

#include <ctime>

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr ULONGLONG kFileTimeUnixEpoch = 116444736000000000ULL;

void FillSystemTime(const std::tm& t, int ms, LPSYSTEMTIME out) {
    out->wYear = static_cast<WORD>(t.tm_year + 1900);
    out->wMonth = static_cast<WORD>(t.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(t.tm_wday);
    out->wDay = static_cast<WORD>(t.tm_mday);
    out->wHour = static_cast<WORD>(t.tm_hour);
    out->wMinute = static_cast<WORD>(t.tm_min);
    out->wSecond = static_cast<WORD>(t.tm_sec);
    out->wMilliseconds = static_cast<WORD>(ms);
}

}  // namespace

extern "C" void WINAPI Sleep(DWORD ms) { winport::detail::SleepMs(ms); }

extern "C" DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(winport::detail::MonotonicMs());  // wraps after 49.7 days, as on Windows
}

extern "C" ULONGLONG WINAPI GetTickCount64(void) { return winport::detail::MonotonicMs(); }

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME out) {
    std::int64_t now = winport::detail::NowUnixMs();
    std::time_t secs = static_cast<std::time_t>(now / 1000);
    std::tm t{};
    gmtime_r(&secs, &t);
    FillSystemTime(t, static_cast<int>(now % 1000), out);
}

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME out) {
    std::int64_t now = winport::detail::NowUnixMs();
    std::time_t secs = static_cast<std::time_t>(now / 1000);
    std::tm t{};
    localtime_r(&secs, &t);
    FillSystemTime(t, static_cast<int>(now % 1000), out);
}

extern "C" void WINAPI GetSystemTimeAsFileTime(LPFILETIME out) {
    ULONGLONG ticks = static_cast<ULONGLONG>(winport::detail::NowUnixMs()) * 10000ULL + kFileTimeUnixEpoch;
    out->dwLowDateTime = static_cast<DWORD>(ticks);
    out->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}
