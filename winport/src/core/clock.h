// winport's replaceable clock: the real one, or a virtual one that tests drive.
#pragma once

#include <winport/types.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace winport::detail {

std::int64_t NowUnixMs();       // wall clock, ms since 1970 UTC
std::uint64_t MonotonicMs();    // ms since an arbitrary start; moves only forward
void SleepMs(std::uint32_t ms); // real sleep, or an instant advance of the virtual clock

// Which clock runs, and the virtual one's time and recorded sleeps; the test seams set it.
struct ClockState {
    std::mutex mutex;
    bool is_virtual = false;
    std::int64_t virtual_unix_ms = 0;
    std::uint64_t virtual_mono_ms = 0;
    std::vector<DWORD> sleeps;
};
ClockState& clock_state();

}  // namespace winport::detail
