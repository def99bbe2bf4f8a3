// Fault points: every winport function that could fail on Windows passes one first, so tests
// can make the nth platform call of an operation fail with a chosen error.
#pragma once

namespace winport::detail {

// True when this call is the armed one; the armed error is then already the thread's last error.
// `function` is the Win32 name ("CreateFileW"), used for per-function arming and reports.
bool FaultPoint(const char* function);

}  // namespace winport::detail
