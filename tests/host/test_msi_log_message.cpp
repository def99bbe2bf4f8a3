// CMsiLogMessage: prefixes, the format rule, error and result formatting, copies.
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

using cw32test::MakeHost;

namespace {

static_assert(std::has_virtual_destructor<CMsiLogMessage>::value, "slot 0 is the destructor");
static_assert(!std::is_default_constructible<CMsiLogMessage>::value, "the default constructor is private");

TEST(MsiLogMessage, LinesFollowTheFormatRule) {
    using M = CMsiLogMessage;
    struct Case {
        const char* name;
        const wchar_t* format;
        std::function<void(M&)> act;
        std::vector<std::wstring> out;
    };
    const Case cases[] = {
        {"prefix gets %s appended", L"[X] ", [](M& m) { m.Log(L"abc"); }, {L"[X] abc"}},
        {"%s in the middle stays", L"Step %s done", [](M& m) { m.Log(L"two"); }, {L"Step two done"}},
        {"null format: bare text", nullptr, [](M& m) { m.Log(L"abc"); }, {L"abc"}},
        {"empty format: bare text", L"", [](M& m) { m.Log(L"abc"); }, {L"abc"}},
        {"LogError", L"[X] ", [](M& m) { m.LogError(L"open", 5); }, {L"[X] open [Error: 5]"}},
        {"LogError top bit negative", L"[X] ", [](M& m) { m.LogError(L"open", 0x80070005u); },
         {L"[X] open [Error: -2147024891]"}},
        {"LogHResult success", L"", [](M& m) { m.LogHResult(L"init", 0); }, {L"init [Success: 0]"}},
        {"LogHResult positive", L"", [](M& m) { m.LogHResult(L"init", 1); }, {L"init [Success: 1]"}},
        {"LogHResult failure", L"", [](M& m) { m.LogHResult(L"init", static_cast<LONG>(0x80070005u)); },
         {L"init [Failure: -2147024891]"}},
        {"two-argument Log keeps the new format", L"[X] ", [](M& m) { m.Log(L"<%s>", L"a"); m.Log(L"b"); },
         {L"<a>", L"<b>"}},
        {"two-argument Log with null empties the format", L"[X] ", [](M& m) { m.Log(nullptr, L"a"); m.Log(L"b"); },
         {L"a", L"b"}},
        {"SetFormat", L"[X] ", [](M& m) { m.SetFormat(L"[Y] "); m.Log(L"a"); }, {L"[Y] a"}},
        {"text with percent signs is not a format", L"[X] ", [](M& m) { m.Log(L"100% %s %d"); }, {L"[X] 100% %s %d"}},
        {"stray conversions in the format are kept", L"%d: %s (%%)", [](M& m) { m.Log(L"t"); }, {L"%d: t (%)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto host = MakeHost();
        {
            CMsiLogMessage log(host, c.format);
            c.act(log);
        }
        ASSERT_EQ(host->lines.size(), c.out.size());
        for (std::size_t i = 0; i < c.out.size(); ++i) {
            EXPECT_EQ(host->lines[i].level, 2);
            EXPECT_EQ(host->lines[i].text, c.out[i]);  // unstamped
        }
        EXPECT_EQ(host.use_count(), 1);
    }
}

TEST(MsiLogMessage, CopiesShareTheLoggerAndOutliveEachOther) {
    auto host = MakeHost();
    auto* copy = new CMsiLogMessage(host, L"[A] ");
    CMsiLogMessage other(*copy);
    EXPECT_EQ(host.use_count(), 3);
    delete copy;
    other.Log(L"still here");
    auto second = MakeHost();
    CMsiLogMessage assigned(second, L"[B] ");
    assigned = other;
    EXPECT_EQ(second.use_count(), 1);
    assigned.Log(L"moved over");
    ASSERT_EQ(host->lines.size(), 2u);
    EXPECT_EQ(host->lines[0].text, L"[A] still here");
    EXPECT_EQ(host->lines[1].text, L"[A] moved over");
    EXPECT_TRUE(second->lines.empty());
}

}  // namespace
