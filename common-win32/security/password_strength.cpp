// The textual password rules: no user name inside, a minimum length, and a mix of character
// classes judged by the system's character tables.
#include <common-win32/accounts.h>

#include <common-win32/platform.h>

#include <cstdint>
#include <cwchar>
#include <string_view>

namespace {

constexpr int kMinimumLength = 6;
constexpr int kMinimumClasses = 2;

enum CharClass { kLower, kUpper, kDigit, kOther, kClassCount };

// Tested in this order, so each code unit falls into exactly one class; a letter of a script
// without case is alphabetic but neither upper nor lower, and so counts as "other".
CharClass ClassOf(wchar_t unit) {
    if (IsCharLowerW(unit)) return kLower;
    if (IsCharUpperW(unit)) return kUpper;
    if (IsCharAlphaNumericW(unit) && !IsCharAlphaW(unit)) return kDigit;
    return kOther;
}

}  // namespace

bool isStrongPassword(CString user, CString password) {
    const std::wstring_view text(password.GetString(), static_cast<std::size_t>(password.GetLength()));
    const std::wstring_view name(user.GetString(), static_cast<std::size_t>(user.GetLength()));
    if (text.find(name) != std::wstring_view::npos) return false;  // the empty name is found too

    // Lengths and classes are taken in UTF-16 code units on every platform: where wchar_t holds
    // a whole character (32 bits), one beyond the basic plane counts as its two surrogates,
    // which no character table calls a letter or a digit.
    int units = 0;
    int counts[kClassCount] = {};
    for (const wchar_t c : text) {
#if WCHAR_MAX > 0xFFFF
        if (static_cast<std::uint32_t>(c) > 0xFFFFu) {
            units += 2;
            counts[kOther] += 2;
            continue;
        }
#endif
        units += 1;
        ++counts[ClassOf(c)];
    }
    if (units < kMinimumLength) return false;
    int classes = 0;
    for (const int count : counts) classes += count > 0 ? 1 : 0;
    return classes >= kMinimumClasses;
}
