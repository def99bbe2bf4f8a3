// Fault points: every winport function that could fail on Windows passes one first, so tests
// can make the nth platform call of an operation fail with a chosen error.
#pragma once

#include <winport/types.h>

#include <atomic>
#include <mutex>
#include <string>

namespace winport::detail {

// What is armed and what has fired; the test seams arm it, FaultPoint reads it.
struct FaultState {
    std::mutex mutex;
    // Disarmed and counting every function: the state of every call outside a fault test,
    // which then only counts, without the lock.
    std::atomic<bool> counting_only{true};
    std::atomic<unsigned> passed{0};
    unsigned armed_at = 0;  // 0: disarmed
    DWORD error = 0;
    std::string only;       // empty: any function
    bool fired = false;
    std::string fired_in;
};
FaultState& fault_state();

// True when this call is the armed one; the armed error is then already the thread's last error.
// `function` is the Win32 name ("CreateFileW"), used for per-function arming and reports.
bool FaultPoint(const char* function);

}  // namespace winport::detail
