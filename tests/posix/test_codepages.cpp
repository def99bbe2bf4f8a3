// winport's UTF-8 code page and character routines. The invalid-input cases carry the results
// Windows gives (its decoder's own rule for how many bytes one U+FFFD stands for).
#include <winport/win32.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t R = 0xFFFD;  // the replacement character

std::vector<std::uint32_t> Decode(const std::string& bytes, DWORD flags = 0) {
    const int size = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_UTF8, flags, bytes.data(), size, nullptr, 0);
    if (needed <= 0) return {};
    std::vector<wchar_t> out(static_cast<std::size_t>(needed) + 1, L'#');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, flags, bytes.data(), size, out.data(), needed), needed);
    EXPECT_EQ(out[static_cast<std::size_t>(needed)], L'#') << "wrote past the count it reported";
    return std::vector<std::uint32_t>(out.begin(), out.begin() + needed);
}

std::string Encode(const std::wstring& text, DWORD flags = 0) {
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return "<fail>";
    std::string out(static_cast<std::size_t>(needed) + 1, '#');
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, flags, text.data(), size, &out[0], needed, nullptr, nullptr), needed);
    EXPECT_EQ(out.back(), '#');
    out.pop_back();
    return out;
}

TEST(Utf8Decoding, InvalidSequencesBecomeReplacementsAsOnWindows) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::uint32_t> units;
    };
    const Case cases[] = {
        {"overlong NUL", "\xC0\x80", {R, R}},
        {"overlong C1", "\xC1\xBF", {R, R}},
        {"overlong three bytes", "\xE0\x80\x80", {R, R}},
        {"overlong three bytes, top", "\xE0\x9F\xBF", {R, R}},
        {"overlong four bytes", "\xF0\x80\x80\x80", {R, R, R}},
        {"overlong four bytes, top", "\xF0\x8F\xBF\xBF", {R, R, R}},
        {"encoded high surrogate", "\xED\xA0\x80", {R, R}},
        {"encoded low surrogate", "\xED\xBF\xBF", {R, R}},
        {"above U+10FFFF", "\xF4\x90\x80\x80", {R, R, R}},
        {"F5 lead", "\xF5\x80\x80\x80", {R, R, R, R}},
        {"lone continuations", "\x80\xBF", {R, R}},
        {"cut two-byte, end", "\xC2", {R}},
        {"cut two-byte, then ASCII", "\xC2\x41", {R, 0x41}},
        {"cut four-byte, end", "\xF0\x9F\x98", {R}},
        {"cut four-byte, then ASCII", "\xF0\x9F\x98\x41", {R, 0x41}},
        {"cut overlong at the end", "\xF0\x80\x80", {R}},
        {"lead, space, bad lead, NUL", std::string("\xE0\x20\xC0\x00", 4), {R, 0x20, R, 0}},
        {"bad leads then continuation, NUL", std::string("\xC0\xC0\x80\x00", 4), {R, R, R, 0}},
        {"valid then stray continuation", "\xE0\xA0\x80\x80-", {0x800, R, '-'}},
        {"largest code point", "\xF4\x8F\xBF\xBF", {0x10FFFF}},
        {"emoji is one wchar_t", "\xF0\x9F\x98\x80", {0x1F600}},
        {"euro", "\xE2\x82\xAC", {0x20AC}},
        {"U+FFFF and the BOM are characters", "\xEF\xBF\xBF\xEF\xBB\xBF", {0xFFFF, 0xFEFF}},
        {"embedded NUL", std::string("a\0b", 3), {'a', 0, 'b'}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.bytes), c.units) << c.what;
        bool has_invalid = false;
        for (std::uint32_t u : c.units) has_invalid = has_invalid || u == R;
        SetLastError(0);
        const int strict = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(),
                                               static_cast<int>(c.bytes.size()), nullptr, 0);
        if (has_invalid) {
            EXPECT_EQ(strict, 0) << c.what;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION)) << c.what;
        } else {
            EXPECT_EQ(strict, static_cast<int>(c.units.size())) << c.what;
        }
    }
}

TEST(Utf8Decoding, NegativeLengthMeansUpToAndIncludingTheNul) {
    wchar_t out[8];
    for (int length : {-1, -5}) {
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC0", length, nullptr, 0), 3);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC0", length, out, 8), 3);
        EXPECT_EQ(std::wstring(out, 3), std::wstring(L"a\xFFFD", 3));
    }
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "", -1, out, 8), 1);
    EXPECT_EQ(out[0], L'\0');
}

TEST(Utf8Decoding, ParametersBuffersAndFlags) {
    wchar_t out[4];
    char same[4] = "ab";
    struct Case {
        const char* what;
        UINT code_page;
        DWORD flags;
        const char* src;
        int src_length;
        wchar_t* dst;
        int dst_length;
        DWORD error;
    };
    const Case cases[] = {
        {"empty source", CP_UTF8, 0, "abc", 0, out, 4, ERROR_INVALID_PARAMETER},
        {"no source", CP_UTF8, 0, nullptr, 3, out, 4, ERROR_INVALID_PARAMETER},
        {"negative output size", CP_UTF8, 0, "abc", 3, out, -1, ERROR_INVALID_PARAMETER},
        {"size without buffer", CP_UTF8, 0, "abc", 3, nullptr, 4, ERROR_INVALID_PARAMETER},
        {"source is the buffer", CP_UTF8, 0, same, 2, reinterpret_cast<wchar_t*>(same), 1, ERROR_INVALID_PARAMETER},
        {"too small", CP_UTF8, 0, "abcde", 5, out, 4, ERROR_INSUFFICIENT_BUFFER},
        {"full buffer before invalid input", CP_UTF8, MB_ERR_INVALID_CHARS, "abcd\xC0", 5, out, 4,
         ERROR_INSUFFICIENT_BUFFER},
        {"MB_PRECOMPOSED", CP_UTF8, MB_PRECOMPOSED, "abc", 3, out, 4, ERROR_INVALID_FLAGS},
        {"MB_USEGLYPHCHARS", CP_ACP, MB_USEGLYPHCHARS, "abc", 3, out, 4, ERROR_INVALID_FLAGS},
        {"unknown flag", CP_UTF8, 0x10, "abc", 3, out, 4, ERROR_INVALID_FLAGS},
        {"Windows-1252", 1252, 0, "abc", 3, out, 4, ERROR_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(c.code_page, c.flags, c.src, c.src_length, c.dst, c.dst_length), 0) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
}

TEST(Utf8Decoding, TheAnsiAndOemCodePagesAreUtf8) {
    EXPECT_EQ(GetACP(), 65001u);
    EXPECT_EQ(GetOEMCP(), 65001u);
    wchar_t out[4];
    for (UINT code_page : {CP_ACP, CP_OEMCP, CP_THREAD_ACP}) {
        EXPECT_EQ(MultiByteToWideChar(code_page, 0, "\xC3\xA9", 2, out, 4), 1) << code_page;
        EXPECT_EQ(out[0], L'\u00E9');
    }
}

TEST(Utf8Encoding, WideTextToUtf8AndStrictMode) {
    struct Case {
        const char* what;
        std::wstring text;
        std::string bytes;
    };
    const Case cases[] = {
        {"ASCII", L"abc", "abc"},
        {"two bytes", L"\u00E9", "\xC3\xA9"},
        {"three bytes", L"\u20AC", "\xE2\x82\xAC"},
        {"one wchar_t above U+FFFF", std::wstring(1, static_cast<wchar_t>(0x1F600)), "\xF0\x9F\x98\x80"},
        {"surrogate pair in two units", {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)},
         "\xF0\x9F\x98\x80"},
        // A surrogate without its partner becomes U+FFFD, as on Windows.
        {"lone high surrogate then A", {static_cast<wchar_t>(0xD800), L'A'}, "\xEF\xBF\xBD" "A"},
        {"lone low surrogate", {static_cast<wchar_t>(0xDC00)}, "\xEF\xBF\xBD"},
        {"high surrogate last", {L'A', static_cast<wchar_t>(0xD83D)}, "A\xEF\xBF\xBD"},
        {"pair in the wrong order", {static_cast<wchar_t>(0xDE00), static_cast<wchar_t>(0xD83D)},
         "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"largest code point", std::wstring(1, static_cast<wchar_t>(0x10FFFF)), "\xF4\x8F\xBF\xBF"},
        {"beyond Unicode", std::wstring(1, static_cast<wchar_t>(0x110000)), "\xEF\xBF\xBD"},
        {"U+FFFF", L"\uFFFF", "\xEF\xBF\xBF"},
        {"NUL", std::wstring(1, L'\0'), std::string(1, '\0')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.text), c.bytes) << c.what;
        // Strict mode refuses what UTF-8 cannot carry (every U+FFFD here stands for such a unit).
        SetLastError(0);
        if (c.bytes.find("\xEF\xBF\xBD") == std::string::npos) {
            EXPECT_EQ(Encode(c.text, WC_ERR_INVALID_CHARS), c.bytes) << c.what;
        } else {
            EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, c.text.data(), static_cast<int>(c.text.size()),
                                          nullptr, 0, nullptr, nullptr),
                      0)
                << c.what;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION)) << c.what;
        }
    }
}

TEST(Utf8Encoding, ParametersBuffersAndFlags) {
    char out[4];
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"ab", -1, nullptr, 0, nullptr, nullptr), 3);
    struct Case {
        const char* what;
        UINT code_page;
        DWORD flags;
        int src_length;
        int dst_length;
        const char* default_char;
        BOOL* used_default;
        DWORD error;
    };
    const Case cases[] = {
        {"empty source", CP_UTF8, 0, 0, 4, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {"negative output size", CP_UTF8, 0, 2, -1, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {"default character", CP_UTF8, 0, 2, 4, "?", nullptr, ERROR_INVALID_PARAMETER},
        {"used-default flag", CP_UTF8, 0, 2, 4, nullptr, &used, ERROR_INVALID_PARAMETER},
        {"default character before flags", CP_UTF8, WC_NO_BEST_FIT_CHARS, 2, 4, "?", nullptr, ERROR_INVALID_PARAMETER},
        {"no best fit", CP_UTF8, WC_NO_BEST_FIT_CHARS, 2, 4, nullptr, nullptr, ERROR_INVALID_FLAGS},
        {"too small", CP_UTF8, 0, -1, 2, nullptr, nullptr, ERROR_INSUFFICIENT_BUFFER},
        {"Windows-1252", 1252, 0, 2, 4, nullptr, nullptr, ERROR_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(c.code_page, c.flags, L"ab", c.src_length, out, c.dst_length, c.default_char,
                                      c.used_default),
                  0)
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, 2, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Every Unicode scalar value survives the trip to UTF-8 and back, in one pass each way.
TEST(Utf8RoundTrip, EveryScalarValue) {
    std::wstring all;
    for (std::uint32_t cp = 1; cp <= 0x10FFFF; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF) all += static_cast<wchar_t>(cp);
    const std::string bytes = Encode(all, WC_ERR_INVALID_CHARS);
    // 1, 2, 3 and 4 bytes for the code points below U+0080, U+0800, U+10000 and beyond.
    ASSERT_EQ(bytes.size(), 0x7Fu + 2 * 0x780u + 3 * (0xF800u - 0x800u) + 4 * 0x100000u);
    const std::vector<std::uint32_t> back = Decode(bytes, MB_ERR_INVALID_CHARS);
    ASSERT_EQ(back.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(back[i], static_cast<std::uint32_t>(all[i])) << std::hex << static_cast<std::uint32_t>(all[i]);
}

// ---- Strings and character classes ---------------------------------------------------------

WCHAR AsCharacter(LPWSTR value) { return static_cast<WCHAR>(reinterpret_cast<std::uintptr_t>(value)); }
LPWSTR AsPointer(WCHAR c) { return reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(c)); }

TEST(WideStrings, LengthAndCaseBlindComparison) {
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(L"abc"), 3);
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int result;
    };
    for (const Case& c : {Case{L"abc", L"ABC", 0}, Case{L"a", L"B", -1}, Case{L"B", L"a", 1}, Case{L"_", L"a", -1},
                          Case{L"", L"a", -1}, Case{L"ab", L"a", 1}, Case{L"\u00C4\u00D6\u00DC", L"\u00E4\u00F6\u00FC", 0},
                          Case{L"\u0394", L"\u03B4", 0}, Case{nullptr, L"a", -1}, Case{L"a", nullptr, 1},
                          Case{nullptr, nullptr, 0}}) {
        EXPECT_EQ(lstrcmpiW(c.a, c.b), c.result) << (c.a ? c.a : L"(null)") << " / " << (c.b ? c.b : L"(null)");
    }
}

TEST(WideStrings, CaseConversionInPlaceAndOfSingleCharacters) {
    wchar_t text[] = L"h\u00E9llo w\u00F6rld \u00DF \u00FF \u0131 123";
    EXPECT_EQ(CharUpperW(text), text);
    EXPECT_STREQ(text, L"H\u00C9LLO W\u00D6RLD \u00DF \u0178 \u0131 123");
    EXPECT_EQ(CharLowerW(text), text);
    EXPECT_STREQ(text, L"h\u00E9llo w\u00F6rld \u00DF \u00FF \u0131 123");
    EXPECT_EQ(AsCharacter(CharUpperW(AsPointer(L'a'))), L'A');
    EXPECT_EQ(AsCharacter(CharLowerW(AsPointer(L'\u00C9'))), L'\u00E9');
    // No Turkish casing: the dotted capital I and the dotless small i stay as they are.
    EXPECT_EQ(AsCharacter(CharLowerW(AsPointer(L'\u0130'))), L'\u0130');
    EXPECT_EQ(AsCharacter(CharUpperW(AsPointer(L'\u0131'))), L'\u0131');
}

TEST(WideStrings, CharacterClassesAsWindowsSeesThem) {
    struct Case {
        wchar_t c;
        bool alpha, alnum, upper, lower;
    };
    const Case cases[] = {
        {L'a', true, true, false, true},         {L'Z', true, true, true, false},
        {L'5', false, true, false, false},       {L'!', false, false, false, false},
        {L' ', false, false, false, false},      {L'\u0660', false, true, false, false},  // Arabic-Indic zero
        {L'\u00B2', false, true, false, false},  {L'\uFF10', false, true, false, false},  // fullwidth zero
        {L'\u4E00', true, true, false, false},   {L'\u05D0', true, true, false, false},  // no case
        {L'\u00DF', true, true, false, true},    {L'\u0300', false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsCharAlphaW(c.c) != 0, c.alpha) << std::hex << static_cast<unsigned>(c.c);
        EXPECT_EQ(IsCharAlphaNumericW(c.c) != 0, c.alnum) << std::hex << static_cast<unsigned>(c.c);
        EXPECT_EQ(IsCharUpperW(c.c) != 0, c.upper) << std::hex << static_cast<unsigned>(c.c);
        EXPECT_EQ(IsCharLowerW(c.c) != 0, c.lower) << std::hex << static_cast<unsigned>(c.c);
    }
}

}  // namespace
