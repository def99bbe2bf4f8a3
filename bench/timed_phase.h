// One timed phase of a self-timed benchmark (those that also run under Wine, where Google
// Benchmark is not built): Report prints "phase=NAME calls=N seconds=S rate=R", which the
// ratio scripts read.
#pragma once

#include <chrono>
#include <cstdio>

namespace cw32bench {

struct TimedPhase {
    const char* name;
    long calls = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    void Report() const {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("phase=%s calls=%ld seconds=%.3f rate=%.0f\n", name, calls, seconds, calls / seconds);
        std::fflush(stdout);
    }
};

}  // namespace cw32bench
