// UTF-8 both ways (the class library's conversions and the library's), system messages and the interface language.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

std::wstring Text(const CString& s) { return std::wstring(s.GetString(), s.GetLength()); }
std::string Bytes(const CStringA& s) { return std::string(s.GetString(), s.GetLength()); }

// UTF-16 units written so the same test holds where wchar_t has 16 or 32 bits.
std::wstring Units(std::initializer_list<unsigned> units) {
    std::wstring s;
    for (unsigned u : units) s += static_cast<wchar_t>(u);
    return s;
}

// One wchar_t on POSIX, a surrogate pair on Windows.
const std::wstring kGrinning = sizeof(wchar_t) == 2 ? Units({0xD83D, 0xDE00}) : Units({0x1F600});
const std::string kFffd = "\xEF\xBF\xBD";

// WideToAnsi keeps a lone surrogate as its three bytes; CStringA replaces it with U+FFFD.
TEST(WideToUtf8, EncodesAsRfc3629AndEachEntryPointTreatsLoneSurrogatesItsOwnWay) {
    struct Case { std::wstring wide; std::string kept; std::string replaced; };
    const Case cases[] = {
        {L"abc", "abc", "abc"},
        {L"\u00E9\u20AC 5", "\xC3\xA9\xE2\x82\xAC 5", "\xC3\xA9\xE2\x82\xAC 5"},
        {kGrinning, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {Units({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // a pair, whatever wchar_t holds
        {Units({0xD800, 0x41}), "\xED\xA0\x80" "A", kFffd + "A"},             // lone high, then 'A'
        {Units({0xDC00}), "\xED\xB0\x80", kFffd},                             // lone low
        {Units({0xD83D}), "\xED\xA0\xBD", kFffd},                             // high standing last
        {Units({0xDE00, 0xD83D}), "\xED\xB8\x80\xED\xA0\xBD", kFffd + kFffd},    // reversed pair
        {Units({0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF",
         "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {L"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.wide));
        EXPECT_EQ(Bytes(WideToAnsi(c.wide.c_str(), 1)), c.kept);
        EXPECT_EQ(Bytes(ToAnsi(c.wide.c_str(), 1)), c.kept);
        EXPECT_EQ(Bytes(CStringA(CString(c.wide.data(), static_cast<int>(c.wide.size())))), c.replaced);
    }
    EXPECT_EQ(Bytes(CStringA(CString(L"x\0y", 3))), std::string("x\0y", 3));  // CStringA counts, NULs and all
    CStringA assigned;
    assigned = L"\u00E9";
    EXPECT_EQ(Bytes(assigned), "\xC3\xA9");
}

#if !defined(_WIN32)
TEST(WideToUtf8, CodePointBeyondUnicodeIsReplaced) {
    EXPECT_EQ(Bytes(WideToAnsi(Units({0x110000}).c_str(), 1)), kFffd);
}
#endif

// The class library's own decoder and the system's (behind AnsiToWide) give the same text but for
// one rule: where a sequence is invalid from its second byte on, the system's decoder gives one
// U+FFFD for the first two bytes and the class library's one for each byte.
TEST(Utf8ToWide, ClassLibraryAndSystemDecodersAndTheirReplacementCharacters) {
    struct Case { std::string utf8; std::wstring wide; const wchar_t* system = nullptr; };  // null: as wide
    const Case cases[] = {
        {"plain", L"plain"},  {"\xC3\xA9\xE2\x82\xAC 5", L"\u00E9\u20AC 5"},  {"", L""},
        {"a\xF0\x9F\x98\x80" "b", L"a" + kGrinning + L"b"},
        {"\xC3(", L"\uFFFD("},                       // lead byte without its trail byte
        {"\xC3", L"\uFFFD"},                         // truncated at the end
        {"\xE2\x82", L"\uFFFD"},                     // cut off: one replacement for the whole subpart
        {"\xE2\x82" "A", L"\uFFFDA"},                 // truncated before a plain character
        {"\xF5z", L"\uFFFDz"},                       // never a lead byte
        {"a\xFF" "b", L"a\uFFFDb"},
        {"\xC0\xAF", L"\uFFFD\uFFFD"},               // overlong
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD", L"\uFFFD\uFFFD"},                   // an encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD", L"\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\x80x", L"\uFFFDx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.utf8));
        EXPECT_EQ(Text(CString(c.utf8.c_str())), c.wide);
        EXPECT_EQ(Text(CString(CStringA(c.utf8.c_str()))), c.wide);
        EXPECT_EQ(Text(AnsiToWide(c.utf8.c_str(), 1)), c.system ? c.system : c.wide);
        EXPECT_EQ(Text(AnsiToText(c.utf8.c_str(), 1)), c.system ? c.system : c.wide);
    }
    EXPECT_EQ(Text(CString("x\0y", 3)), std::wstring(L"x\0y", 3));
}

// Invalid bytes at the very end, after ASCII runs long and short enough to end inside and
// after each block the decoder takes at once: AnsiToWide gives what the system's decoder gives
// for the whole NUL-terminated input (asked for its size first, then decoded), up to the NUL,
// and never drops the U+FFFD of a sequence cut short, even where that sequence takes the NUL
// in with it. Lone surrogates at the end keep their three bytes after any ASCII run.
TEST(Conversions, CutSequencesAndLoneSurrogatesAtTheEndAfterAsciiRuns) {
    const char* const cut[] = {"\xC3", "\xE2", "\xE2\x82", "\xF0", "\xF0\x80", "\xF0\x9F", "\xF0\x9F\x98", "\xF4\x90",
                               "\x80", "\xFF"};
    for (std::size_t run = 0; run <= 17; ++run) {
        const std::string ascii(run, 'a');
        for (const char* tail : cut) {
            for (const std::string& utf8 : {ascii + tail, "Gr\xC3\xBC\xC3\x9F" "e, \xE2\x82\xAC " + ascii + tail}) {
                SCOPED_TRACE(testing::PrintToString(utf8));
                const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
                std::wstring exact(static_cast<std::size_t>(needed) + 1, L'\0');
                ASSERT_GT(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &exact[0], needed + 1), 0);
                exact.resize(std::wcslen(exact.c_str()));
                EXPECT_EQ(Text(AnsiToWide(utf8.c_str(), 1)), exact);
                EXPECT_NE(exact.find(L'\xFFFD'), std::wstring::npos);
            }
        }
        for (const unsigned lone : {0xD800u, 0xDBFFu, 0xDC00u}) {
            const std::wstring wide = std::wstring(ascii.begin(), ascii.end()) + Units({lone});
            const char three[] = {'\xED', static_cast<char>(0x80 | ((lone >> 6) & 0x3F)), static_cast<char>(0x80 | (lone & 0x3F)), 0};
            EXPECT_EQ(Bytes(WideToAnsi(wide.c_str(), 1)), ascii + three) << run << " " << lone;
        }
    }
}

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
