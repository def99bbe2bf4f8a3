// Real and virtual clocks. Under the virtual clock Sleep advances time instantly and records
// each request, so a 60-second service wait runs in microseconds.
#include "core/clock.h"

#include <winport/testing.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace winport::detail {
namespace {

struct ClockState {
    std::mutex mutex;
    bool is_virtual = false;
    std::int64_t virtual_unix_ms = 0;
    std::uint64_t virtual_mono_ms = 0;
    std::vector<DWORD> sleeps;
};

ClockState& clock_state() {
    static auto* s = new ClockState;
    return *s;
}

}  // namespace

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

namespace winport::testing {

void UseVirtualClock(std::int64_t start_unix_ms) {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.is_virtual = true;
    s.virtual_unix_ms = start_unix_ms;
    s.virtual_mono_ms = 1000000;  // a boot some time ago, so tick arithmetic never starts at 0
    s.sleeps.clear();
}

void UseRealClock() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.is_virtual = false;
    s.sleeps.clear();
}

bool VirtualClockActive() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.is_virtual;
}

void AdvanceVirtualClock(std::int64_t ms) {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.virtual_unix_ms += ms;
    s.virtual_mono_ms += static_cast<std::uint64_t>(ms);
}

std::vector<DWORD> RecordedSleeps() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.sleeps;
}

void ClearRecordedSleeps() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.sleeps.clear();
}

}  // namespace winport::testing
