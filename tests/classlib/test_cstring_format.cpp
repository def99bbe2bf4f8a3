// CString::Format and AppendFormat: the Windows printf conventions on both platforms, every
// conversion with flags, width and precision, text of both widths, and the defined results for
// missing and mismatched arguments.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

template <class... Args>
std::wstring W(const wchar_t* format, const Args&... args) {
    CString s;
    s.Format(format, args...);
    return std::wstring(s.GetString(), s.GetLength());
}

template <class... Args>
std::string N(const char* format, const Args&... args) {
    CStringA s;
    s.Format(format, args...);
    return std::string(s.GetString(), s.GetLength());
}

template <class T>
struct Case { const wchar_t* format; T value; const wchar_t* expected; };

template <class T, std::size_t n>
void CheckWide(const Case<T> (&cases)[n]) {
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format);
        EXPECT_EQ(W(c.format, c.value), c.expected);
    }
}

TEST(FormatIntegers, IntWithFlagsWidthAndPrecision) {
    const Case<int> cases[] = {
        {L"%d", 42, L"42"},           {L"%d", -42, L"-42"},         {L"%i", 7, L"7"},
        {L"%5d|", 42, L"   42|"},     {L"%-5d|", 42, L"42   |"},    {L"%05d", 42, L"00042"},
        {L"%05d", -42, L"-0042"},     {L"%+d", 42, L"+42"},         {L"% d", 42, L" 42"},
        {L"%+d", -42, L"-42"},        {L"%+ d", 1, L"+1"},          {L"%.3d", 7, L"007"},
        {L"%.0d|", 0, L"|"},          {L"%5.3d", -7, L" -007"},     {L"%05.3d", 7, L"  007"},
        {L"%-+5d|", 3, L"+3   |"},    {L"%-05d|", 3, L"3    |"},    {L"%d", INT_MIN, L"-2147483648"},
        {L"%u", -1, L"4294967295"},   {L"%x", 255, L"ff"},          {L"%X", 255, L"FF"},
        {L"%#x", 255, L"0xff"},       {L"%#X", 255, L"0XFF"},       {L"%#x", 0, L"0"},
        {L"%#08x", 255, L"0x0000ff"}, {L"%o", 8, L"10"},            {L"%#o", 8, L"010"},
        {L"%#o", 0, L"0"},            {L"%08x", 0xbeef, L"0000beef"}, {L"%x", -1, L"ffffffff"},
        {L"%+u", 5, L"5"},            {L"%ld", -5, L"-5"},          {L"%lu", 5, L"5"},
        {L"%lld", -5, L"-5"},         {L"%I64d", -5, L"-5"},        {L"%I32d", -5, L"-5"},
        {L"%zd", 5, L"5"},            {L"%hd", 70000, L"4464"},     {L"%hu", -1, L"65535"},
        {L"%hhd", 200, L"-56"},       {L"%hhu", 257, L"1"},         {L"%d%%", 50, L"50%"},
        {L"%c", 65, L"A"},            {L"%3c|", 'x', L"  x|"},      {L"%-3c|", 'x', L"x  |"},
    };
    CheckWide(cases);
}

TEST(FormatIntegers, ValueComesFromTheArgumentTypeWhateverTheLengthModifier) {
    const Case<long long> wide64[] = {
        {L"%lld", LLONG_MIN, L"-9223372036854775808"}, {L"%I64d", 1234567890123LL, L"1234567890123"},
        {L"%I64u", -1LL, L"18446744073709551615"},     {L"%I64x", 0x123456789abcLL, L"123456789abc"},
        {L"%d", 1LL << 40, L"1099511627776"},          {L"%ld", -(1LL << 40), L"-1099511627776"},
        {L"%x", -1LL, L"ffffffffffffffff"},            {L"%hd", (1LL << 40) + 5, L"5"},
    };
    CheckWide(wide64);
    const Case<unsigned> unsigned32[] = {
        {L"%u", 4294967295u, L"4294967295"}, {L"%d", 4294967295u, L"-1"}, {L"%lu", 3000000000u, L"3000000000"},
        {L"%I64u", 4294967295u, L"4294967295"},
    };
    CheckWide(unsigned32);
    // Types narrower than int are promoted to int first, as a C call passes them.
    EXPECT_EQ(W(L"%d|%d|%x|%hx", WORD{65535}, short{-2}, short{-1}, short{-1}), L"65535|-2|ffffffff|ffff");
    EXPECT_EQ(W(L"%d|%u|%d", std::int8_t{-1}, std::int8_t{-1}, std::uint8_t{200}), L"-1|4294967295|200");
    enum Color { kRed = 3 };
    enum class Size : short { kLarge = -4 };
    EXPECT_EQ(W(L"%d %d %d %d %llu", true, false, kRed, Size::kLarge, ULLONG_MAX), L"1 0 3 -4 18446744073709551615");
}

TEST(FormatFloating, EveryFloatingConversion) {
    const Case<double> cases[] = {
        {L"%f", 3.14159, L"3.141590"},    {L"%.2f", 3.14159, L"3.14"},       {L"%8.3f", -3.14159, L"  -3.142"},
        {L"%-8.1f|", 2.5, L"2.5     |"},  {L"%08.2f", -1.5, L"-0001.50"},    {L"%+.1f", 1.0, L"+1.0"},
        {L"% .1f", 1.0, L" 1.0"},         {L"%.0f", 2.5, L"2"},              {L"%.0f", 3.5, L"4"},
        {L"%#.0f", 3.0, L"3."},           {L"%f", -0.0, L"-0.000000"},       {L"%.1f", 1e20, L"100000000000000000000.0"},
        {L"%e", 12345.678, L"1.234568e+04"}, {L"%E", 0.00012, L"1.200000E-04"}, {L"%.0e", 5.0, L"5e+00"},
        {L"%#.0e", 5.0, L"5.e+00"},       {L"%e", 1e300, L"1.000000e+300"},  {L"%g", 0.0001, L"0.0001"},
        {L"%g", 0.00001, L"1e-05"},       {L"%g", 123456789.0, L"1.23457e+08"}, {L"%g", 100.0, L"100"},
        {L"%g", 0.0, L"0"},               {L"%G", 1e-10, L"1E-10"},          {L"%#g", 1.0, L"1.00000"},
        {L"%.3g", 3.14159, L"3.14"},      {L"%.0g", 26.0, L"3e+01"},         {L"%10.4g|", 1234567.0, L" 1.235e+06|"},
        {L"%a", 1.0, L"0x1p+0"},          {L"%.2a", 1.5, L"0x1.80p+0"},      {L"%A", -2.0, L"-0X1P+1"},
        {L"%f", INFINITY, L"inf"},        {L"%F", -INFINITY, L"-INF"},       {L"%05.1f", INFINITY, L"  inf"},
        {L"%f", NAN, L"nan"},             {L"%E", NAN, L"NAN"},
    };
    CheckWide(cases);
    EXPECT_EQ(W(L"%.2f", 2.5f), L"2.50");
    EXPECT_EQ(N("%.3f", 1.0 / 3), "0.333");
}

TEST(FormatText, EachFormatTakesItsOwnWidthWithSAndTheOtherWithCapitalS) {
    const wchar_t* no_wide = nullptr;
    const char* no_narrow = nullptr;
    wchar_t array[8] = L"array";
    EXPECT_EQ(W(L"[%s|%S|%hs|%ls|%ws|%hS|%lS]", L"w", "n", "h", L"l", L"w", "h", L"l"), L"[w|n|h|l|w|h|l]");
    EXPECT_EQ(W(L"[%S|%s]", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "narrow \xC3\xA9"),
              L"[\u00E9t\u00E9 \u20AC|narrow \u00E9]");
    EXPECT_EQ(W(L"[%6s|%-6s|%06s]", L"ab", L"ab", L"ab"), L"[    ab|ab    |0000ab]");
    EXPECT_EQ(W(L"[%.3s|%5.2s|%.0s|%.2S]", L"abcdef", L"abcdef", L"abc", "\xC3\xA9t\xC3\xA9"), L"[abc|   ab||\u00E9t]");
    // Strings pass their text up to the first NUL, as a C string does.
    EXPECT_EQ(W(L"[%s|%S|%s|%s|%s]", CString(L"cs"), CStringA("ca"), std::wstring(L"std"), CString(L"a\0b", 3), array),
              L"[cs|ca|std|a|array]");
    EXPECT_EQ(W(L"%s %S|%8s|%.3s", no_wide, no_narrow, no_wide, no_wide), L"(null) (null)|  (null)|(nu");
    // A narrow format takes narrow text with %s and converts wide text to UTF-8.
    EXPECT_EQ(N("[%s|%S|%ls|%hs|%hS|%s]", "n\xC3\xA9", L"\u00E9\u20AC", L"l", "h", "H", CStringA("ca")),
              "[n\xC3\xA9|\xC3\xA9\xE2\x82\xAC|l|h|H|ca]");
    EXPECT_EQ(N("[%S|%s]", L"\U0001F600", L"wide \u00E9"), "[\xF0\x9F\x98\x80|wide \xC3\xA9]");
    // A converted character is never split, and the width counts output bytes.
    EXPECT_EQ(N("[%.1S|%.2S|%.3S|%5S]", L"\u00E9", L"\u00E9a", L"\u00E9a", L"\u00E9"),
              "[|\xC3\xA9|\xC3\xA9" "a|   \xC3\xA9]");
    EXPECT_EQ(N("%s %S", no_narrow, no_wide), "(null) (null)");
}

TEST(FormatCharacters, CharactersOfBothWidths) {
    EXPECT_EQ(W(L"%c%C%hc%lc|%c|%c", L'w', 'n', 'h', L'l', 0xE9, static_cast<char>(0xE9)), L"wnhl|\u00E9|\u00E9");
    EXPECT_EQ(W(L"%C", static_cast<char>(0xE9)), L"\uFFFD");  // a lone byte >= 0x80 is no UTF-8 character
    EXPECT_EQ(W(L"%c", 0x1F600), sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, wchar_t(0x1F600)));
    EXPECT_EQ(W(L"%c|%c", -5, 0x110000), L"\uFFFD|\uFFFD");
    EXPECT_EQ(N("%c%C|%c|%C", 'n', L'\u00E9', static_cast<char>(0xE9), 0x1F600), "n\xC3\xA9|\xE9|\xF0\x9F\x98\x80");
    EXPECT_EQ(W(L"a%cb", 0), std::wstring(L"a\0b", 3));
}

TEST(FormatPointers, UpperCaseHexAsWideAsAPointer) {
    const std::wstring digits = sizeof(void*) == 8 ? L"0000000000001234" : L"00001234";
    EXPECT_EQ(W(L"%p", reinterpret_cast<void*>(0x1234)), digits);
    EXPECT_EQ(W(L"%p", nullptr), std::wstring(2 * sizeof(void*), L'0'));
    EXPECT_EQ(W(L"[%20p]", reinterpret_cast<const int*>(0xABC)),
              L"[" + std::wstring(20 - 2 * sizeof(void*), L' ') + std::wstring(2 * sizeof(void*) - 3, L'0') + L"ABC]");
    EXPECT_EQ(W(L"%x", reinterpret_cast<void*>(0x1f)), L"1f");  // handles are often printed with %x
}

TEST(FormatStars, WidthAndPrecisionFromArguments) {
    // A negative width means left-aligned, a negative precision none.
    EXPECT_EQ(W(L"[%*d|%-*d|%*d]", 5, 42, 4, 7, -4, 7), L"[   42|7   |7   ]");
    EXPECT_EQ(W(L"[%.*f|%.*s|%.*s]", 2, 3.14159, 3, L"abcdef", -1, L"abc"), L"[3.14|abc|abc]");
    EXPECT_EQ(W(L"[%*.*s|%*d]", 6, 2, L"abcdef", static_cast<size_t>(3), 1), L"[    ab|  1]");
    EXPECT_EQ(W(L"%70000d", 1).size(), 65535u);  // fields are capped
}

TEST(FormatArguments, MissingOrUnknownConversionsStayAsWrittenAndUnsuitedArgumentsPrintByTheirType) {
    EXPECT_EQ(W(L"%s: %d"), L"%s: %d");
    EXPECT_EQ(W(L"a %d b %-5s c", 5), L"a 5 b %-5s c");
    EXPECT_EQ(W(L"[%*d]", 5), L"[%*d]");
    EXPECT_EQ(W(L"[%*d]"), L"[%*d]");
    EXPECT_EQ(W(L"[%.*s]", L"not an integer", L"x"), L"[%.*s]");
    EXPECT_EQ(N("%d%d", 1), "1%d");
    EXPECT_EQ(W(L"%d", 1, 2, 3), L"1");  // extra arguments are ignored
    // %n never writes anywhere and takes no argument.
    EXPECT_EQ(W(L"%y %n%d %\u00E9 100%%d%", 5), L"%y %n5 %\u00E9 100%d%");
    EXPECT_EQ(W(L"[%-5"), L"[%-5");
    EXPECT_EQ(W(nullptr, 1), L"");
    // Arguments unsuited to their conversion are printed by their own type.
    EXPECT_EQ(W(L"[%d|%5s|%s|%s|%d|%f|%c]", L"text", 42, -3, 2.5, 2.5, 3, L"str"),
              L"[text|   42|-3|2.5|2.5|3.000000|str]");
    EXPECT_EQ(W(L"[%s]", reinterpret_cast<void*>(0x10)), L"[" + std::wstring(2 * sizeof(void*) - 2, L'0') + L"10]");
}

TEST(FormatTarget, FormatReplacesAppendFormatAddsAndArgumentsMayBeTheTarget) {
    CString s(L"abc");
    s.Format(L"%s-%s", s, s);
    EXPECT_EQ(std::wstring(s.GetString()), L"abc-abc");
    s.AppendFormat(L"+%s", s);
    EXPECT_EQ(std::wstring(s.GetString()), L"abc-abc+abc-abc");
    CString shared = s;
    shared.Format(L"%d", 1);
    EXPECT_EQ(std::wstring(s.GetString()), L"abc-abc+abc-abc");
    s.Format(L"");
    EXPECT_TRUE(s.IsEmpty());
    const std::wstring long_text(3000, L'x');
    EXPECT_EQ(W(L"%s|%s", long_text.c_str(), long_text.c_str()), long_text + L"|" + long_text);
}

}  // namespace
