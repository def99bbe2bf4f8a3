// The Microsoft C runtime routines that glibc lacks, with MSVCRT's behaviour: the number
// readers saturate at the 32-bit range of Windows' int and long, and the clock is winport's.
// No library logic here.
#include <winport/crt.h>

#include "core/clock.h"

#include <cerrno>
#include <climits>
#include <cwchar>

extern "C" __time64_t _time64(__time64_t* timer) {
    __time64_t now = winport::detail::NowUnixMs() / 1000;
    if (timer) *timer = now;
    return now;
}

extern "C" struct tm* _localtime64(const __time64_t* timer) {
    thread_local struct tm result;
    if (timer == nullptr || *timer < 0) {
        errno = EINVAL;
        return nullptr;
    }
    std::time_t t = static_cast<std::time_t>(*timer);
    return localtime_r(&t, &result);
}

extern "C" std::int64_t _wcstoi64(const wchar_t* str, wchar_t** end, int base) {
    return std::wcstoll(str, end, base);  // saturates at the 64-bit range, as MSVCRT does
}

extern "C" std::int64_t _wtoi64(const wchar_t* str) { return str ? std::wcstoll(str, nullptr, 10) : 0; }

namespace {
long Saturate32(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<long>(v);
}
}  // namespace

extern "C" int _wtoi(const wchar_t* str) { return str ? static_cast<int>(Saturate32(std::wcstoll(str, nullptr, 10))) : 0; }
extern "C" long _wtol(const wchar_t* str) { return str ? Saturate32(std::wcstoll(str, nullptr, 10)) : 0; }
