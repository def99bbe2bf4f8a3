// Test entry point. On POSIX every test program gets a state directory of its own, so the
// tests never touch the user's system.db and can run side by side.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <winport/testing.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#endif

#if defined(_WIN32) && !defined(_WIN64)
#include <windows.h>

// GoogleTest sends each failure and skip message to OutputDebugStringA as well as to stdout.
// Under 32-bit Wine on qemu-i386 (a Linux kernel without 32-bit emulation) the test programs
// die in the handler of the exception that OutputDebugStringA raises (an illegal instruction
// on return, with a wrong thread block), though a one-thread probe survives it. The test
// programs bind that import to a function that drops the copy; stdout keeps every message.
namespace {
void WINAPI DropDebuggerCopy(LPCSTR) {}
}  // namespace
extern "C" void(WINAPI* const cw32_output_debug_string)(LPCSTR) __asm__("__imp__OutputDebugStringA@4");
extern "C" void(WINAPI* const cw32_output_debug_string)(LPCSTR) = DropDebuggerCopy;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#if !defined(_WIN32)
    std::string root_template = (std::filesystem::temp_directory_path() / "cw32-test-XXXXXX").string();
    const char* root = mkdtemp(root_template.data());
    if (root == nullptr) return 2;
    setenv("WINPORT_ROOT", root, 1);
    winport::testing::ResetStore();
    int rc = RUN_ALL_TESTS();
    winport::testing::ResetStore();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return rc;
#else
    return RUN_ALL_TESTS();
#endif
}
