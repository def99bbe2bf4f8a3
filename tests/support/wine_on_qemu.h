// Whether the test program runs under 32-bit Wine that qemu-i386 runs (a Linux kernel without
// 32-bit emulation; scripts/wine32/prepare.sh sets CW32_WINE_ON_QEMU). qemu keeps one
// thread-area table for all threads of a process, so a Windows program whose threads run at
// the same time loses its thread blocks and dies: a plain four-thread std::thread program
// crashes there as well. Tests that run threads at once skip there, and only there.
#pragma once

#include <cstdlib>

namespace cw32test {

inline bool UnderWineOnQemu() {
#if defined(_WIN32) && !defined(_WIN64)
    return std::getenv("CW32_WINE_ON_QEMU") != nullptr;
#else
    return false;
#endif
}

}  // namespace cw32test
