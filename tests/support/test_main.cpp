// Test entry point. On POSIX every test program gets a state directory of its own, so the
// tests never touch the user's system.db and can run side by side.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <winport/testing.h>

#include <cstdlib>
#include <filesystem>
#include <string>
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
