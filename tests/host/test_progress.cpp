// Progress announcements: one stamped line each, showing ticks, status 0.
#include "support/test_host.h"

#include <gtest/gtest.h>

using cw32test::MakeHost;

namespace {

TEST(Progress, EachFunctionWritesItsLine) {
    struct Case {
        DWORD (*function)(boost::shared_ptr<ILogger>, int);
        int amount;
        const wchar_t* line;
    };
    const Case cases[] = {
        {UseProgressTicks, 0, L"UseProgressTime: 0 ticks"},
        {UseProgressTicks, 250, L"UseProgressTime: 250 ticks"},
        {UseProgressTime, 3, L"UseProgressTime: 300000 ticks"},
        {UseProgressTime, -2, L"UseProgressTime: -200000 ticks"},
        {AddTicksToProgressBar, -5, L"AddTimeToProgressBar: Adding -5 ticks"},
        {AddTimeToProgressBar, 7, L"AddTimeToProgressBar: Adding 700000 ticks"},
        // 30000 * 100000 = 3000000000 does not fit: it wraps as 32-bit arithmetic does.
        {AddTimeToProgressBar, 30000, L"AddTimeToProgressBar: Adding -1294967296 ticks"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line, c.line + wcslen(c.line)));
        auto host = MakeHost();
        EXPECT_EQ(c.function(host, c.amount), 0u);
        ASSERT_EQ(host->lines.size(), 1u);
        EXPECT_EQ(host->lines[0].level, 2);
        EXPECT_TRUE(cw32test::HasStamp(host->lines[0].text));
        EXPECT_EQ(cw32test::StripStamp(host->lines[0].text), c.line);
        EXPECT_EQ(host.use_count(), 1);
    }
}

}  // namespace
