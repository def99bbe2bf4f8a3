// Both version comparisons: their different splitting, number reading and padding rules; and the
// runtime's decimal reader behind both, the same number from the same text on Windows and POSIX.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Show(const wchar_t* a, const wchar_t* b) {
    return testing::PrintToString(std::wstring(a)) + " vs " + testing::PrintToString(std::wstring(b));
}

TEST(compareVersionStr, ComparesLooselySeparatedComponents) {
    struct Case { const wchar_t* first; const wchar_t* second; int result; };
    for (const Case& c : {
             Case{L"", L"", 0},          Case{L"", L"1", -1},      Case{L"4.0.1", L"4,0;1", 0},
             Case{L"1:2#3 4", L"1.2.3.4", 0},          // all six separators are equivalent
             Case{L"1..2", L"1.2", 0},                 // separator runs make no empty component
             Case{L".1.2.", L"1.2", 0},
             Case{L"10.0", L"9.9", 1},                 // numbers, not text
             Case{L"1.0", L"1", 1},                    // a numeric prefix is the smaller
             Case{L"1.2", L"1.2.0.0", -1}, Case{L"1.02", L"1.2", 0},  Case{L"1.5beta", L"1.5", 0},
             Case{L"1.a", L"1.0", 0},
             Case{L"2.-1", L"2.0", -1},                // signed components
             Case{L"3000000000", L"2147483647", 0},    // both saturate at the 32-bit maximum
             Case{L"1/2.1", L"1.1", 0},                // the slash does not separate: "1/2" is one component, 1
             Case{L"\uff11.\uff12", L"1.2", 0},       // full-width digits read as digits everywhere
         }) {
        EXPECT_EQ(compareVersionStr(c.first, c.second), c.result) << Show(c.first, c.second);
        EXPECT_EQ(compareVersionStr(c.second, c.first), -c.result);
    }
}

TEST(VersionCompare, ComparesCountPaddedSixteenBitComponentsAndRefusesCountsBelowOne) {
    struct Case { const wchar_t* first; const wchar_t* second; int count; int result; };
    for (const Case& c : {
             Case{L"1.2.3", L"1.2.10", 3, -7},  Case{L"1.2", L"1.2.0.0", 4, 0},
             Case{L"1.2.3", L"1.2.4", 2, 0},             // only the first count components
             Case{L"1..2", L"1.0.2", 3, 0},              // an empty component counts, as 0
             Case{L"1,2", L"1", 2, 0},                   // the comma does not separate
             Case{L"65537", L"1", 1, 0},                 // 16 bits: 65537 is 1
             Case{L"-1", L"0", 1, 65535},                // and -1 is 65535
             Case{L"0", L"65535", 1, -65535},
             Case{L"1.2.", L"1.2", 3, 0},                // a trailing period adds nothing
             Case{L"1\\.5", L"1", 1, 0},                 // an escaped period does not separate: "1.5" reads 1
             Case{L"", L"", 5, 0},  Case{L"0.0.0.1", L"", 3, 0},  Case{L"0.0.0.1", L"", 4, 1},
             Case{L"5", L"3.9.9", 1000000000, 2},         // a huge count costs nothing extra
             Case{L"1.2.3", L"1.2.3.0.0.7", 6, -7},
             Case{L"\u0661.\u0662", L"1.3", 2, -1},    // Arabic-Indic digits
         }) {
        SetLastError(0);
        SCOPED_TRACE(Show(c.first, c.second) + " count " + std::to_string(c.count));
        EXPECT_EQ(VersionCompare(c.first, c.second, c.count), c.result);
        EXPECT_EQ(VersionCompare(c.second, c.first, c.count), -c.result);
        EXPECT_EQ(GetLastError(), 0u);
    }
    for (int count : {0, -1, -2147483647 - 1}) {
        SetLastError(0);
        EXPECT_EQ(VersionCompare(L"2", L"1", count), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(VersionCompare(nullptr, L"0.0", 2), 0);
    EXPECT_EQ(VersionCompare(L"1", nullptr, 2), 1);
}

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
