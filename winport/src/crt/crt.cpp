// The Microsoft C runtime routines that glibc lacks, with MSVCRT's behaviour: the clock is
// winport's. _wtoi and _wtol live in crt_number.cpp, the path routines in crt_path.cpp.
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

extern "C" int _wcsicmp(const wchar_t* a, const wchar_t* b) {
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; };
    for (;; ++a, ++b) {
        const wchar_t x = lower(*a), y = lower(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == L'\0') return 0;
    }
}
