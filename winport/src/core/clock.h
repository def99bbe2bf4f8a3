// winport's replaceable clock: the real one, or a virtual one that tests drive.
#pragma once

#include <cstdint>

namespace winport::detail {

std::int64_t NowUnixMs();       // wall clock, ms since 1970 UTC
std::uint64_t MonotonicMs();    // ms since an arbitrary start; moves only forward
void SleepMs(std::uint32_t ms); // real sleep, or an instant advance of the virtual clock

}  // namespace winport::detail
