// Both escape pairs: the documented transforms and the round trips they promise.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <random>

namespace {

struct Transform { const wchar_t* in; const wchar_t* out; };

TEST(EscapeNonAlpha, EscapesEverythingButAsciiAlphanumerics) {
    for (const Transform& c : {Transform{L"", L""}, Transform{L"a b", L"a\\ b"}, Transform{L"C:\\x", L"C\\:\\\\x"},
                               Transform{L"\\", L"\\\\"}, Transform{L"\u00e91", L"\\\u00e91"},
                               Transform{L"\u0141", L"\\\u0141"},  // low byte 0x41 is still not 'A'
                               Transform{L"09AZaz", L"09AZaz"}, Transform{L"/:@[`{", L"\\/\\:\\@\\[\\`\\{"}}) {
        EXPECT_STREQ(EscapeNonAlpha(c.in).GetString(), c.out) << testing::PrintToString(std::wstring(c.in));
    }
    for (const Transform& c : {Transform{L"a\\ b", L"a b"}, Transform{L"\\\\", L"\\"}, Transform{L"\\\\\\", L"\\"},
                               Transform{L"a\\", L"a"}, Transform{L"\u015c", L"\u015c"}, Transform{L"", L""},
                               Transform{L"\\\\\\\\", L"\\\\"}}) {
        EXPECT_STREQ(UnEscapeNonAlpha(c.in).GetString(), c.out) << testing::PrintToString(std::wstring(c.in));
    }
}

TEST(EscapeSeparator, ProtectsBackslashThenSeparator) {
    struct Case { const wchar_t* value; const wchar_t* separator; const wchar_t* escaped; };
    for (const Case& c : {Case{L"a;b", L";", L"a\\;b"}, Case{L"c:\\x", L";", L"c:\\\\x"},
                          Case{L"d\\;", L";", L"d\\\\\\;"}, Case{L"a;b|c", L"|", L"a;b\\|c"}}) {
        EXPECT_STREQ(EscapeSeparator(c.value, c.separator).GetString(), c.escaped);
        EXPECT_STREQ(UnescapeSeparator(c.escaped, c.separator).GetString(), c.value);
    }
}

// The awkward values, then any value over an alphabet rich in the characters that matter,
// survive both pairs.
TEST(Escaping, ValuesRoundTrip) {
    for (const wchar_t* v : {L"", L";", L"\\", L"\\;", L";\\", L"\\\\;", L"a;b\\c", L"\\\\\\", L";;"}) {
        EXPECT_STREQ(UnescapeSeparator(EscapeSeparator(v, L";"), L";").GetString(), v);
    }
    const wchar_t alphabet[] = L"ab;|\\ .\u00e9\u0141";
    std::mt19937 rng(20261205);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof alphabet / sizeof *alphabet) - 2);
    std::uniform_int_distribution<int> length(0, 12);
    for (int round = 0; round < 2000; ++round) {
        CString value;
        for (int n = length(rng); n > 0; --n) value += alphabet[pick(rng)];
        ASSERT_STREQ(UnEscapeNonAlpha(EscapeNonAlpha(value)).GetString(), value.GetString());
        for (const wchar_t* sep : {L";", L"|"}) {
            ASSERT_STREQ(UnescapeSeparator(EscapeSeparator(value, sep), sep).GetString(), value.GetString());
        }
    }
}

}  // namespace
