// winport's UTF-8 conversions where a probe line cannot reach: the source as the buffer, a
// 32-bit wchar_t, the decoder's fast paths, every scalar value both ways. What each call answers
// for valid and invalid input, and the code pages winport lacks on purpose, are compared with
// Windows' by tests/probes.
#include "chars/utf8_decode.h"

#include <winport/win32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// The code pages themselves (UTF-8 for ANSI and OEM, no other) are listed differences of the
// probe's; here what a probe line cannot pass: the source as the buffer, and a 32-bit wchar_t.
TEST(CodePages, SourceAsTheBufferAndValuesBeyondUnicodeAreRefused) {
    char bytes[4] = "ab";
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, bytes, 2, reinterpret_cast<wchar_t*>(bytes), 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
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
