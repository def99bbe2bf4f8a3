// The runtime's decimal reader behind both version comparisons: the same number from the same
// text on Windows and on POSIX, Unicode spaces and digits included.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(Wtoi, ReadsTheRuntimesSpacesSignsAndDigits) {
    struct Case { const wchar_t* text; int value; };
    for (const Case& c : {
             Case{L" \t\n\v\f\r12", 12},
             Case{L"\u00a05", 5}, Case{L"\u30005", 5}, Case{L"\u20284", 4}, Case{L"\u16804", 4},
             Case{L"\u200a\u202f\u205f9", 9},
             Case{L"\u00854", 0},                       // NEL is no space to the runtime
             Case{L"\u0663", 3}, Case{L"\uff11\uff12", 12}, Case{L"\u0967\u0966", 10},  // Arabic-Indic, full-width, Devanagari
             Case{L"1\u0e59", 19},                      // Thai nine continues ASCII digits
             Case{L"\u0be7", 0},                        // Tamil digits are not read
             Case{L"+7", 7}, Case{L"--7", 0}, Case{L"- 1", 0}, Case{L"-\u0661\u0662x", -12},
             Case{L"0x10", 0}, Case{L"12abc", 12}, Case{L"", 0},
             Case{L"2147483648", 2147483647}, Case{L"-2147483649", -2147483647 - 1},
             Case{L"99999999999999999999", 2147483647},
         }) {
        EXPECT_EQ(_wtoi(c.text), c.value) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(_wtol(c.text), c.value);
    }
}

}  // namespace
