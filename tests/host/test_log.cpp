// The log and progress functions as the host sees them: levels, stamps, masking, and the
// logger's reference count back where it was on every way out.
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <stdexcept>

using cw32test::HasStamp;
using cw32test::MakeHost;
using cw32test::StripStamp;

namespace {

TEST(LogFunctions, PlainLinesCarryTheirLevelAndNoStamp) {
    struct Case { void (*log)(boost::shared_ptr<ILogger>, const CString&); int level; };
    for (const Case& c : {Case{LogInfo, 2}, Case{LogWarning, 3}, Case{LogError, 4}}) {
        auto host = MakeHost();
        c.log(host, CString(L"disk full"));
        c.log(host, CString());
        ASSERT_EQ(host->lines.size(), 2u);
        EXPECT_EQ(host->lines[0], (cw32test::LogLine{c.level, L"disk full"}));
        EXPECT_EQ(host->lines[1], (cw32test::LogLine{c.level, L""}));
        EXPECT_EQ(host.use_count(), 1);
    }
    auto host = MakeHost();
    LogInfo(host, CString(L"a\0b", 3));  // an embedded NUL reaches the host whole
    ASSERT_EQ(host->lines.size(), 1u);
    EXPECT_EQ(host->lines[0].text, std::wstring(L"a\0b", 3));
}

// WriteLog writes through LogMessage: its lines show the stamp and the masking both.
TEST(LogFunctions, WriteLogMasksExactlyAsTheRulesSay) {
    const struct { const wchar_t* message; const wchar_t* password; const wchar_t* logged; } cases[] = {
        {L"user=bob pass=s3cret; again s3cret", L"s3cret", L"user=bob pass=****; again ****"},
        {L"xs3crety", L"s3cret", L"x****y"},                       // inside a longer word
        {L"PWD=;x PWD=;", nullptr, L"PWD=****;x PWD=****;"},
        {L"PWD=;x PWD=;", L"", L"PWD=****;x PWD=****;"},
        {L"secret SECRET", L"Secret", L"secret SECRET"},           // case-sensitive
        {L"PWD=; s", L"s", L"PWD=; ****"},                         // one rule only
        {L"aaaa", L"aa", L"********"},                             // non-overlapping
        {L"aaa", L"aa", L"****a"},
        {L"pw**", L"*", L"pw********"},                            // no rescan of the mask
        {nullptr, L"x", L""},
        {nullptr, nullptr, L""},  // a null message still writes the stamp, and only the stamp
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.message ? c.message : L"(null)"));
        auto host = MakeHost();
        WriteLog(host, c.message, c.password);
        ASSERT_EQ(host->lines.size(), 1u);
        EXPECT_EQ(host->lines[0].level, 2);
        ASSERT_TRUE(HasStamp(host->lines[0].text));
        EXPECT_EQ(host->lines[0].text.substr(0, 10), GetDateString().GetString());  // the date functions' own text
        EXPECT_EQ(StripStamp(host->lines[0].text), c.logged);
        EXPECT_EQ(host.use_count(), 1);
    }
}

TEST(LogFunctions, HostExceptionPassesThroughAndCopiesAreReleased) {
    auto host = MakeHost();
    host->on_write = [](int, const std::wstring&) { throw std::runtime_error("host refused"); };
    EXPECT_THROW(LogInfo(host, CString(L"x")), std::runtime_error);
    EXPECT_THROW(LogMessage(host, CString(L"x")), std::runtime_error);
    EXPECT_THROW(WriteLog(host, L"p=1", L"1"), std::runtime_error);
    EXPECT_EQ(host->lines.size(), 3u);
    EXPECT_EQ(host.use_count(), 1);
}

TEST(LogFunctions, ContextServesAsLogger) {
    auto host = MakeHost();
    boost::shared_ptr<IActionContext> context = host;
    boost::shared_ptr<ILogger> logger = context;  // same object, same control block
    EXPECT_EQ(static_cast<void*>(logger.get()), static_cast<void*>(context.get()));
    LogError(logger, CString(L"through the context"));
    EXPECT_EQ(host->lines.at(0).level, 4);
    EXPECT_EQ(host.use_count(), 3);
}

// Progress announcements: one stamped line each, showing ticks, status 0.
TEST(Progress, EachFunctionWritesItsLine) {
    struct Case { DWORD (*function)(boost::shared_ptr<ILogger>, int); int amount; const wchar_t* line; };
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
        EXPECT_TRUE(HasStamp(host->lines[0].text));
        EXPECT_EQ(StripStamp(host->lines[0].text), c.line);
        EXPECT_EQ(host.use_count(), 1);
    }
}

}  // namespace
