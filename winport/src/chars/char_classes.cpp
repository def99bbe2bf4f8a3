// IsCharAlphaW, IsCharAlphaNumericW, IsCharUpperW and IsCharLowerW: Windows' classes of a UTF-16
// code unit. Windows files them by Unicode general category, where the C library's classes
// follow the Alphabetic property (combining marks and circled letters are letters there), so the
// answers come from a table of runs generated from the categories (scripts/gen_char_classes.py).
#include <winport/chars.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

enum CharClass : std::uint8_t { kNone, kDigit, kLetter, kUpper, kLower, kTitle };

struct Run {
    std::uint16_t first;
    CharClass kind;
};

constexpr Run kRuns[] = {
#include "char_class_runs.inc"
};

CharClass ClassOf(WCHAR ch) {
    const auto unit = static_cast<std::uint16_t>(ch);
    const Run* after = std::upper_bound(std::begin(kRuns), std::end(kRuns), unit,
                                        [](std::uint16_t u, const Run& run) { return u < run.first; });
    return (after - 1)->kind;  // the first run starts at 0
}

bool IsLetterClass(CharClass c) { return c >= kLetter; }

}  // namespace

extern "C" BOOL WINAPI IsCharAlphaW(WCHAR ch) { return IsLetterClass(ClassOf(ch)); }

extern "C" BOOL WINAPI IsCharAlphaNumericW(WCHAR ch) {
    const CharClass c = ClassOf(ch);
    return c == kDigit || IsLetterClass(c);
}

// A titlecase letter (Dž) is upper and lower case at once.
extern "C" BOOL WINAPI IsCharUpperW(WCHAR ch) {
    const CharClass c = ClassOf(ch);
    return c == kUpper || c == kTitle;
}

extern "C" BOOL WINAPI IsCharLowerW(WCHAR ch) {
    const CharClass c = ClassOf(ch);
    return c == kLower || c == kTitle;
}
