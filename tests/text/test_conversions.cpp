// UTF-8 conversions, stamps, system messages and the interface language, on both platforms.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(const CStringA& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.GetString());
    return std::vector<unsigned char>(p, p + s.GetLength());
}

// UTF-16 units written so the same test holds where wchar_t has 16 or 32 bits.
std::wstring Units(std::initializer_list<unsigned> units) {
    std::wstring s;
    for (unsigned u : units) s += static_cast<wchar_t>(u);
    return s;
}

TEST(WideToAnsi, EncodesAsRfc3629WithLoneSurrogatesKept) {
    struct Case {
        std::wstring text;
        std::vector<unsigned char> bytes;
    };
    const std::vector<Case> cases = {
        {L"abc", {0x61, 0x62, 0x63}},
        {Units({0xD83D, 0xDE00}), {0xF0, 0x9F, 0x98, 0x80}},          // a pair
        {Units({0xD800, 0x41}), {0xED, 0xA0, 0x80, 0x41}},            // lone high, then 'A'
        {Units({0xDC00}), {0xED, 0xB0, 0x80}},                        // lone low
        {Units({0xD83D}), {0xED, 0xA0, 0xBD}},                        // high standing last
        {Units({0xDE00, 0xD83D}), {0xED, 0xB8, 0x80, 0xED, 0xA0, 0xBD}},  // reversed pair
        {Units({0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}),
         {0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}},
        {L"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Bytes(WideToAnsi(c.text.c_str(), 1)), c.bytes) << testing::PrintToString(c.text);
        EXPECT_EQ(Bytes(ToAnsi(c.text.c_str(), 1)), c.bytes);
    }
}

#if !defined(_WIN32)
// A POSIX wchar_t holds a whole code point: it gives the same four bytes as its UTF-16 pair.
TEST(WideToAnsi, Utf32CharacterMatchesItsSurrogatePair) {
    const wchar_t one[] = {static_cast<wchar_t>(0x1F600), 0};
    EXPECT_EQ(Bytes(WideToAnsi(one, 1)), (std::vector<unsigned char>{0xF0, 0x9F, 0x98, 0x80}));
    const wchar_t beyond[] = {static_cast<wchar_t>(0x110000), 0};
    EXPECT_EQ(Bytes(WideToAnsi(beyond, 1)), (std::vector<unsigned char>{0xEF, 0xBF, 0xBD}));
}
#endif

TEST(Conversions, OnlyEncodingOneConverts) {
    for (DWORD encoding : {0u, 2u, 65001u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(WideToAnsi(L"abc", encoding).IsEmpty());
        EXPECT_TRUE(ToAnsi(L"abc", encoding).IsEmpty());
        EXPECT_TRUE(AnsiToWide("abc", encoding).IsEmpty());
        EXPECT_TRUE(AnsiToText("abc", encoding).IsEmpty());
        EXPECT_STREQ(WideToText(L"abc", encoding).GetString(), L"abc");
    }
    EXPECT_STREQ(WideToText(L"abc", 1).GetString(), L"abc");
}

TEST(AnsiToWide, DecodesAsTheSystemDoes) {
    struct Case {
        const char* bytes;
        std::wstring text;
    };
    const std::vector<Case> cases = {
        {"\xC3\xA9", Units({0xE9})},
        {"", L""},
        {"a\xFF" "b", Units({0x61, 0xFFFD, 0x62})},       // a byte that never starts a sequence
        {"\xC3", Units({0xFFFD})},                        // truncated at the end
        {"\xE2\x82" "A", Units({0xFFFD, 0x41})},          // truncated before a plain character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(AnsiToWide(c.bytes, 1).GetString()), c.text) << c.bytes;
        EXPECT_EQ(std::wstring(AnsiToText(c.bytes, 1).GetString()), c.text);
    }
}

TEST(AnsiToWide, CharacterAboveBmpRoundTrips) {
    const CString text = AnsiToWide("\xF0\x9F\x98\x80", 1);
#if defined(_WIN32)
    EXPECT_EQ(text.GetLength(), 2);
#else
    EXPECT_EQ(text.GetLength(), 1);
#endif
    EXPECT_EQ(Bytes(WideToAnsi(text.GetString(), 1)), (std::vector<unsigned char>{0xF0, 0x9F, 0x98, 0x80}));
}

TEST(Stamps, DateAndTimeHaveTheirShapes) {
    const std::wstring date = GetDateString().GetString();
    const std::wstring time = GetTimeString().GetString();
    ASSERT_EQ(date.size(), 10u);
    ASSERT_EQ(time.size(), 8u);
    EXPECT_EQ(date[4], L'/');
    EXPECT_EQ(date[7], L'/');
    EXPECT_EQ(time[2], L':');
    EXPECT_EQ(time[5], L':');
    const int hour = std::stoi(time.substr(0, 2));
    EXPECT_GE(hour, 1);  // a 12-hour clock: 00 never appears
    EXPECT_LE(hour, 12);
}

TEST(GetSystemMessage, TextEndsWithItsLineBreakAndUnknownIdsGiveFalse) {
    CString text(L"stale");
    ASSERT_TRUE(GetSystemMessage(2, text, 0));
    ASSERT_GE(text.GetLength(), 2);
    EXPECT_EQ(text.Right(2), CString(L"\r\n"));
#if !defined(CW32_TESTS_UNDER_WINE)
    EXPECT_STREQ(text.GetString(), L"The system cannot find the file specified.\r\n");  // Wine's wording differs
#endif
    EXPECT_FALSE(GetSystemMessage(0x2FFFFFFF, text, 0));
    EXPECT_TRUE(text.IsEmpty());
}

TEST(GetLocaleInfo, OverloadReturnsTheCountWithItsNul) {
    CString text;
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text);
    EXPECT_EQ(n, 5);  // four hex digits and the NUL
    EXPECT_EQ(text.GetLength(), 4);
    CString none(L"stale");
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, 0x7FFF, none), 0);
    EXPECT_TRUE(none.IsEmpty());
}

TEST(GetSupportedLocale, AlwaysFalseAndAlwaysWritten) {
    unsigned short language = 0;
    EXPECT_FALSE(GetSupportedLocale(language));
    EXPECT_NE(language, 0);
    EXPECT_EQ(language >> 10, language == 0x804 || language == 0x404 ? (language >> 10) : 1);
}

}  // namespace
