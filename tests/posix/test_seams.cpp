// winport's own test seams: if these lie, every sweep built on them proves nothing.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include <gtest/gtest.h>

#include <thread>

namespace wt = winport::testing;

namespace {

TEST(VirtualClock, SleepAdvancesInstantlyAndIsRecorded) {
    wt::UseVirtualClock(1000000);
    const DWORD before = GetTickCount();
    Sleep(60000);
    Sleep(250);
    EXPECT_EQ(GetTickCount() - before, 60250u);
    EXPECT_EQ(wt::RecordedSleeps(), (std::vector<DWORD>{60000, 250}));
    EXPECT_EQ(_time64(nullptr), 1060);  // 1000 s + 60.25 s, whole seconds
    wt::UseRealClock();
    EXPECT_TRUE(wt::RecordedSleeps().empty());
}

TEST(LastError, IsPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen_in_thread = 1234;
    std::thread([&] { seen_in_thread = GetLastError(); SetLastError(ERROR_FILE_NOT_FOUND); }).join();
    EXPECT_EQ(seen_in_thread, 0u);
    EXPECT_EQ(GetLastError(), 5u);
}

TEST(Store, StateDirectoryFollowsWinportRoot) {
    const char* root = std::getenv("WINPORT_ROOT");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(wt::StateDirectory(), root);
}

// Saturation, spaces and stray text are checked by the portable number tests; these two are not.
TEST(CrtNumbers, HexAndNull) {
    EXPECT_EQ(_wcstoi64(L"0c0c", nullptr, 16), 0xc0c);
    EXPECT_EQ(_wtoi(nullptr), 0);
}

}  // namespace
