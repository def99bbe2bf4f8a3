// The text routines when the platform refuses: every failing call gives the documented empty
// or default result, and nothing the system allocated is left behind.
#include "fault_sweep.h"

#include <common-win32/common-win32.h>

namespace wt = winport::testing;

namespace {

TEST(TextFaults, GetSystemMessageFailsCleanly) {
    CString text;
    bool found = false;
    cw32test::SweepFaults(ERROR_NOT_ENOUGH_MEMORY, [&] { text = L"stale"; found = GetSystemMessage(5, text, 0); },
                          [&](unsigned, const std::string& function) {
                              EXPECT_EQ(found, function.empty());
                              EXPECT_EQ(text.IsEmpty(), !function.empty());
                          });
    EXPECT_STREQ(text.GetString(), L"Access is denied.\r\n");
}

TEST(TextFaults, AnsiToWideGivesEmptyWhenEitherPassFails) {
    CString text;
    cw32test::SweepFaults(ERROR_NOT_ENOUGH_MEMORY, [&] { text = AnsiToWide("\xC3\xA9t\xC3\xA9", 1); },
                          [&](unsigned, const std::string& function) {
                              EXPECT_TRUE(function.empty() || text.IsEmpty());
                          });
    EXPECT_STREQ(text.GetString(), L"\u00e9t\u00e9");
}

TEST(TextFaults, LocaleQueriesFallBack) {
    CString text;
    int count = 0;
    cw32test::SweepFaults(ERROR_NOT_ENOUGH_MEMORY,
                          [&] { count = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text); },
                          [&](unsigned, const std::string& function) {
                              if (function.empty()) return;
                              EXPECT_EQ(count, 0);
                              EXPECT_TRUE(text.IsEmpty());
                          });
    EXPECT_EQ(count, 5);

    unsigned short language = 0;
    wt::FailNthCall(1, ERROR_INVALID_PARAMETER, "GetLocaleInfoW");
    EXPECT_FALSE(GetSupportedLocale(language));
    wt::DisarmFaults();
    EXPECT_EQ(language, 0x409);
}

}  // namespace
