// winport's code pages where they differ from Windows on purpose: the ANSI and OEM code pages
// are UTF-8 and no other 8-bit code page exists. Every scalar value survives the trip both
// ways. What each call answers for valid and invalid input is compared with Windows' by
// tests/probes.
#include "chars/utf8_decode.h"

#include <winport/win32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

TEST(CodePages, TheAnsiAndOemCodePagesAreUtf8AndNoOtherExists) {
    EXPECT_EQ(GetACP(), 65001u);
    EXPECT_EQ(GetOEMCP(), 65001u);
    wchar_t out[4];
    for (UINT code_page : {CP_ACP, CP_OEMCP, CP_THREAD_ACP}) {
        EXPECT_EQ(MultiByteToWideChar(code_page, 0, "\xC3\xA9", 2, out, 4), 1) << code_page;
        EXPECT_EQ(out[0], L'\u00E9');
    }
    char bytes[4] = "ab";
    struct Case {
        const char* what;
        UINT code_page;
        DWORD flags;
        wchar_t* dst;
        DWORD error;
    };
    for (const Case& c : {Case{"Windows-1252", 1252, 0, out, ERROR_NOT_SUPPORTED},
                          Case{"glyph characters are no UTF-8 flag", CP_ACP, MB_USEGLYPHCHARS, out, ERROR_INVALID_FLAGS},
                          Case{"source is the buffer", CP_UTF8, 0, reinterpret_cast<wchar_t*>(bytes),
                               ERROR_INVALID_PARAMETER}}) {
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(c.code_page, c.flags, bytes, 2, c.dst, 1), 0) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(1252, 0, L"ab", 2, bytes, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    // A 32-bit wchar_t can hold a value beyond Unicode: U+FFFD, or refused in strict mode.
    const wchar_t beyond = static_cast<wchar_t>(0x110000);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, &beyond, 1, bytes, 4, nullptr, nullptr), 3);
    EXPECT_EQ(std::string(bytes, 3), "\xEF\xBF\xBD");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, &beyond, 1, bytes, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

// The decoder's fast paths (ASCII runs judged eight bytes at a time, whole sequences decoded
// straight) against its one-character-at-a-time rule, for cut and broken sequences at the end
// of the input and after ASCII runs ending inside and after a block, with the terminating NUL
// counted in and not, and with a unit of room per byte, just enough room and none.
TEST(CodePages, FastPathsDecodeCutSequencesAfterAsciiRunsAsTheExactRule) {
    const char* const tails[] = {"\xC3", "\xE2", "\xE2\x82", "\xF0", "\xF0\x80", "\xF0\x9F", "\xF0\x9F\x98",
                                 "\xF4\x90", "\xED\xA0", "\xE0\x80", "\x80", "\xC3\xA9", "\xF0\x9F\x98\x80"};
    for (std::size_t run = 0; run <= 17; ++run) {
        for (const char* tail : tails) {
            const std::string text = std::string(run, 'a') + tail;
            for (const std::size_t size : {text.size(), text.size() + 1}) {
                SCOPED_TRACE(testing::PrintToString(text) + (size > text.size() ? " with its NUL" : ""));
                const auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
                std::wstring exact;
                for (std::size_t i = 0; i < size;) {
                    const std::uint32_t cp = winport::detail::DecodeUtf8(bytes, size, i);
                    exact += static_cast<wchar_t>(cp == winport::detail::kInvalid ? 0xFFFD : cp);
                }
                const int length = static_cast<int>(size);
                EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), length, nullptr, 0), static_cast<int>(exact.size()));
                for (const std::size_t room : {size, exact.size()}) {
                    std::wstring out(room, L'#');
                    const int written = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), length, &out[0], static_cast<int>(room));
                    EXPECT_EQ(out.substr(0, static_cast<std::size_t>(std::max(written, 0))), exact);
                }
            }
        }
    }
}

// Every Unicode scalar value survives the trip to UTF-8 and back, in one pass each way, and
// neither direction writes past the count it reports.
TEST(CodePages, EveryScalarValueRoundTrips) {
    std::wstring all;
    for (std::uint32_t cp = 1; cp <= 0x10FFFF; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF) all += static_cast<wchar_t>(cp);
    const int units = static_cast<int>(all.size());
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, all.data(), units, nullptr, 0, nullptr, nullptr);
    // 1, 2, 3 and 4 bytes for the code points below U+0080, U+0800, U+10000 and beyond.
    ASSERT_EQ(size, 0x7F + 2 * 0x780 + 3 * (0xF800 - 0x800) + 4 * 0x100000);
    std::string bytes(static_cast<std::size_t>(size) + 1, '#');
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, all.data(), units, &bytes[0], size, nullptr, nullptr),
              size);
    ASSERT_EQ(bytes.back(), '#');
    std::wstring back(all.size() + 1, L'#');
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, &back[0], units), units);
    ASSERT_EQ(back.back(), L'#');
    back.pop_back();
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(back[i], all[i]) << std::hex << static_cast<std::uint32_t>(all[i]);
}

}  // namespace
