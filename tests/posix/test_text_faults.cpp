// The text routines when the platform refuses: every failing call gives the documented empty
// or default result, and nothing the system allocated is left behind.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include <gtest/gtest.h>

#include <functional>

namespace wt = winport::testing;

namespace {

// Fails call 1, 2, ... of `op` until it runs untouched; `check` sees each outcome.
void Sweep(const std::function<void()>& op, const std::function<void(unsigned)>& check) {
    for (unsigned n = 1;; ++n) {
        const std::size_t blocks = wt::LiveLocalBlocks();
        wt::FailNthCall(n, ERROR_NOT_ENOUGH_MEMORY);
        op();
        const bool fired = wt::FaultFired();
        wt::DisarmFaults();
        EXPECT_EQ(wt::LiveLocalBlocks(), blocks) << "call " << n;
        if (!fired) break;
        check(n);
        ASSERT_LT(n, 50u) << "the sweep never ran untouched";
    }
}

TEST(TextFaults, GetSystemMessageFailsCleanly) {
    CString text;
    bool found = false;
    Sweep([&] { text = L"stale"; found = GetSystemMessage(5, text, 0); },
          [&](unsigned n) {
              EXPECT_FALSE(found) << n;
              EXPECT_TRUE(text.IsEmpty()) << n;
          });
    EXPECT_TRUE(found);
    EXPECT_STREQ(text.GetString(), L"Access is denied.\r\n");
}

TEST(TextFaults, AnsiToWideGivesEmptyWhenEitherPassFails) {
    CString text;
    Sweep([&] { text = AnsiToWide("\xC3\xA9t\xC3\xA9", 1); },
          [&](unsigned n) { EXPECT_TRUE(text.IsEmpty()) << "failing call " << n; });
    EXPECT_STREQ(text.GetString(), L"\u00e9t\u00e9");
}

TEST(TextFaults, LocaleQueriesFallBack) {
    CString text;
    int count = 0;
    Sweep([&] { count = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text); },
          [&](unsigned n) {
              EXPECT_EQ(count, 0) << n;
              EXPECT_TRUE(text.IsEmpty()) << n;
          });
    EXPECT_EQ(count, 5);

    unsigned short language = 0;
    wt::FailNthCall(1, ERROR_INVALID_PARAMETER, "GetLocaleInfoW");
    EXPECT_FALSE(GetSupportedLocale(language));
    wt::DisarmFaults();
    EXPECT_EQ(language, 0x409);
}

}  // namespace
