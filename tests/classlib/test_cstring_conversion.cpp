// CString <-> CStringA: narrow text is UTF-8, wide text UTF-16 (Windows) or UTF-32 (POSIX), and
// broken input becomes U+FFFD the same way on both.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Text(const CString& s) { return std::wstring(s.GetString(), s.GetLength()); }
std::string Bytes(const CStringA& s) { return std::string(s.GetString(), s.GetLength()); }

const std::wstring kGrinning = sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, wchar_t(0x1F600));

TEST(CStringConversion, WideToUtf8AndBack) {
    const struct { std::wstring wide; std::string utf8; } cases[] = {
        {L"plain", "plain"},
        {L"\u00E9", "\xC3\xA9"},
        {L"\u20AC 5", "\xE2\x82\xAC 5"},
        {kGrinning, "\xF0\x9F\x98\x80"},
        {L"a" + kGrinning + L"b", "a\xF0\x9F\x98\x80" "b"},
        {std::wstring(L"x\0y", 3), std::string("x\0y", 3)},
        {L"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        const CString wide(c.wide.data(), static_cast<int>(c.wide.size()));
        const CStringA narrow(wide);
        EXPECT_EQ(Bytes(narrow), c.utf8);
        EXPECT_EQ(Text(CString(narrow)), c.wide);
        EXPECT_EQ(Text(CString(c.utf8.data(), static_cast<int>(c.utf8.size()))), c.wide);
    }
    EXPECT_EQ(CString("\xF0\x9F\x98\x80").GetLength(), sizeof(wchar_t) == 2 ? 2 : 1);
    CStringA assigned;
    assigned = L"\u00E9";
    EXPECT_EQ(Bytes(assigned), "\xC3\xA9");
}

TEST(CStringConversion, InvalidInputBecomesReplacementCharacters) {
    const struct { std::string utf8; std::wstring wide; } cases[] = {
        {"\xC3(", L"\uFFFD("},                       // lead byte without its trail byte
        {"\xE2\x82", L"\uFFFD"},                     // cut off: one replacement for the whole subpart
        {"\xF5z", L"\uFFFDz"},                       // never a lead byte
        {"\xC0\xAF", L"\uFFFD\uFFFD"},               // overlong
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},     // an encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\x80x", L"\uFFFDx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Text(CString(c.utf8.c_str())), c.wide);
    }
    const CString lone_surrogate(std::wstring(1, wchar_t(0xD800)).c_str());
    EXPECT_EQ(Bytes(CStringA(lone_surrogate)), "\xEF\xBF\xBD");
}

}  // namespace
