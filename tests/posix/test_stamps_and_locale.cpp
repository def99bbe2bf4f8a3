// Stamps at fixed instants (virtual clock, fixed time zone) and the interface language for
// each user locale: exact results that only winport's seams make reproducible.
#include "support/scoped_env.h"
#include "support/test_host.h"

#include <winport/testing.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

class FixedClock : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    void TearDown() override {
        winport::testing::UseRealClock();
        env_.Restore();
        tzset();
    }
    cw32test::ScopedEnv env_{"TZ"};
};

TEST_F(FixedClock, LogMessageStampsWithTwelveHourClock) {
    winport::testing::UseVirtualClock(1796389509000LL);  // 2026-12-04 13:05:09 UTC
    auto host = cw32test::MakeHost();
    LogMessage(host, CString(L"abc"));
    ASSERT_EQ(host->lines.size(), 1u);
    EXPECT_EQ(host->lines[0], (cw32test::LogLine{2, L"2026/12/04, 01:05:09: abc"}));
}

TEST_F(FixedClock, MidnightHourIsTwelve) {
    winport::testing::UseVirtualClock(1796342700000LL);  // 2026-12-04 00:05:00 UTC
    EXPECT_STREQ(GetTimeString().GetString(), L"12:05:00");
    EXPECT_STREQ(GetDateString().GetString(), L"2026/12/04");
}

class UserLocale : public ::testing::Test {
protected:
    cw32test::ScopedEnv env_{"LC_ALL", "LC_MESSAGES", "LANG"};
};

TEST_F(UserLocale, SupportedLanguageFollowsThePosixLocale) {
    struct Case {
        const char* locale;
        unsigned short language;
    };
    for (const Case& c : {Case{"zh_CN.UTF-8", 0x804}, Case{"zh_SG", 0x804}, Case{"zh_TW.UTF-8", 0x404},
                          Case{"zh_HK", 0x404}, Case{"zh_MO", 0x404}, Case{"de_DE.UTF-8", 0x407},
                          Case{"de_CH.UTF-8", 0x407}, Case{"fr_CA.UTF-8", 0x40C}, Case{"en_GB.UTF-8", 0x409},
                          Case{"C", 0x409}, Case{"ja_JP.UTF-8", 0x411}}) {
        setenv("LC_ALL", c.locale, 1);
        unsigned short language = 0;
        EXPECT_FALSE(GetSupportedLocale(language));
        EXPECT_EQ(language, c.language) << c.locale;
    }
}

}  // namespace
