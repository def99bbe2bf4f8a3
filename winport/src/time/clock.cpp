// The clock behind Sleep, GetTickCount and the time functions: the real one, or the virtual
// one the test seams switch on (Sleep then advances time instantly and records each request,
// so a 60-second service wait runs in microseconds).
#include "core/clock.h"

#include <chrono>
#include <thread>

namespace winport::detail {

ClockState& clock_state() {
    static auto* s = new ClockState;
    return *s;
}

std::int64_t NowUnixMs() {
    auto& s = clock_state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.is_virtual) return s.virtual_unix_ms;
    }
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::uint64_t MonotonicMs() {
    auto& s = clock_state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.is_virtual) return s.virtual_mono_ms;
    }
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepMs(std::uint32_t ms) {
    auto& s = clock_state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.is_virtual) {
            s.sleeps.push_back(ms);
            s.virtual_unix_ms += ms;
            s.virtual_mono_ms += ms;
            return;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace winport::detail

