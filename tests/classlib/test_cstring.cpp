// CString and CStringA: sharing, direct buffer access, embedded NULs, search and edit operations,
// substrings, comparison and case.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/wine_on_qemu.h"

namespace {

std::wstring Text(const CString& s) { return std::wstring(s.GetString(), s.GetLength()); }
std::string Bytes(const CStringA& s) { return std::string(s.GetString(), s.GetLength()); }

TEST(CStringSharing, CopiesShareOneBufferMovesEmptyAndSelfAssignmentKeeps) {
    CString original(L"shared text");
    CString copy = original;
    EXPECT_EQ(copy.GetString(), original.GetString());
    CString assigned;
    assigned = copy;
    EXPECT_EQ(assigned.GetString(), original.GetString());

    CString a(L"moved");
    CString b(std::move(a));
    EXPECT_EQ(Text(b), L"moved");
    EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): the state is defined
    a = L"again";
    EXPECT_EQ(Text(a), L"again");

    CString s(L"self");
    const CString& alias = s;
    s = alias;
    s += alias;
    s = s.GetString() + 2;  // a pointer into its own buffer
    EXPECT_EQ(Text(s), L"lfself");
}

TEST(CStringSharing, EveryWriteLeavesTheOtherCopiesAlone) {
    const struct { const char* name; std::function<void(CString&)> write; } writes[] = {
        {"SetAt", [](CString& s) { s.SetAt(0, L'X'); }},         {"Append", [](CString& s) { s += L"!"; }},
        {"AppendChar", [](CString& s) { s.AppendChar(L'!'); }},  {"Insert", [](CString& s) { s.Insert(1, L"ins"); }},
        {"Delete", [](CString& s) { s.Delete(0, 2); }},          {"Remove", [](CString& s) { s.Remove(L'a'); }},
        {"Replace char", [](CString& s) { s.Replace(L'a', L'b'); }},
        {"Replace text", [](CString& s) { s.Replace(L"abc", L"z"); }},
        {"Trim", [](CString& s) { s.Trim(L"a "); }},             {"MakeUpper", [](CString& s) { s.MakeUpper(); }},
        {"MakeReverse", [](CString& s) { s.MakeReverse(); }},    {"Truncate", [](CString& s) { s.Truncate(2); }},
        {"Truncate to nothing (as ReadString starts a line)", [](CString& s) { s.Truncate(0); }},
        {"Empty", [](CString& s) { s.Empty(); }},                {"Format", [](CString& s) { s.Format(L"%d", 5); }},
        {"GetBuffer", [](CString& s) { s.GetBuffer()[0] = L'Z'; s.ReleaseBuffer(); }},
        {"GetBufferSetLength", [](CString& s) { s.GetBufferSetLength(1); s.ReleaseBuffer(); }},
        {"ReleaseBuffer without GetBuffer", [](CString& s) { s.ReleaseBuffer(1); }},
    };
    for (const auto& w : writes) {
        SCOPED_TRACE(w.name);
        CString original(L"a abc a");
        CString copy = original;
        w.write(copy);
        EXPECT_EQ(Text(original), L"a abc a");
        EXPECT_NE(Text(copy), L"a abc a");
    }
}

TEST(CStringSharing, CopiesMayBeTakenAndDroppedOnSeveralThreadsAtOnce) {
    if (cw32test::UnderWineOnQemu()) GTEST_SKIP() << "threads that run at once crash 32-bit Wine under qemu-i386";
    const CString original(L"shared between threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&original, t] {
            for (int i = 0; i < 20000; ++i) {
                CString copy = original;
                if (i % 7 == t) copy.SetAt(0, L'S');  // some copies are written, and part ways
                CString second = copy;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(Text(original), L"shared between threads");
    CString last = original;
    last.SetAt(0, L'x');  // the count is back at one owner plus this copy: writing must copy
    EXPECT_EQ(Text(original), L"shared between threads");
}

TEST(CStringBuffer, GetBufferReleaseBufferAndGetBufferSetLength) {
    CString s(L"ab");
    wchar_t* buffer = s.GetBuffer(10);
    ASSERT_GE(s.GetAllocLength(), 10);
    EXPECT_EQ(buffer[0], L'a');
    buffer[2] = L'c';
    buffer[3] = L'\0';
    s.ReleaseBuffer();  // takes the text up to its NUL
    EXPECT_EQ(Text(s), L"abc");

    buffer = s.GetBuffer(4);
    buffer[0] = L'x';
    buffer[1] = L'\0';
    buffer[2] = L'y';
    s.ReleaseBuffer(3);  // a length keeps embedded NULs
    EXPECT_EQ(Text(s), std::wstring(L"x\0y", 3));

    s.GetBuffer();
    s.ReleaseBuffer(1000000);  // kept within the buffer
    EXPECT_LE(s.GetLength(), s.GetAllocLength());
    EXPECT_EQ(s.GetString()[s.GetLength()], L'\0');

    CString before(L"before");
    buffer = before.GetBuffer();
    CString copy = before;  // taken while the buffer is out: does not see later writes
    buffer[0] = L'B';
    before.ReleaseBuffer();
    EXPECT_EQ(Text(copy), L"before");
    EXPECT_EQ(Text(before), L"Before");

    CStringA empty;
    char* narrow = empty.GetBuffer();  // an empty string has a writable buffer
    ASSERT_NE(narrow, nullptr);
    narrow[0] = '\0';
    empty.ReleaseBuffer();
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(CStringA().GetString(), "");

    CString padded(L"ab");
    buffer = padded.GetBufferSetLength(4);  // pads with NULs and sets the length
    EXPECT_EQ(padded.GetLength(), 4);
    EXPECT_EQ(buffer[2], L'\0');
    buffer[3] = L'd';
    padded.ReleaseBuffer(4);
    EXPECT_EQ(Text(padded), std::wstring(L"ab\0d", 4));
    padded.GetBufferSetLength(1);
    padded.ReleaseBuffer();
    EXPECT_EQ(Text(padded), L"a");
}

TEST(CStringNuls, LengthCountedOperationsSeeEveryCharacter) {
    const CString s(L"a\0b\0c", 5);
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_EQ(s.GetAt(1), L'\0');
    EXPECT_EQ(s.Find(L'c'), 4);
    EXPECT_EQ(s.ReverseFind(L'\0'), 3);
    EXPECT_EQ(Text(s.Mid(2)), std::wstring(L"b\0c", 3));
    EXPECT_EQ(Text(s + L"d"), std::wstring(L"a\0b\0cd", 6));
    EXPECT_FALSE(s == L"a");  // a C string ends at its NUL; the CString does not
    EXPECT_TRUE(s == CString(L"a\0b\0c", 5));
    EXPECT_FALSE(s == CString(L"a\0b\0d", 5));
    CString removed = s;
    EXPECT_EQ(removed.Remove(L'\0'), 2);
    EXPECT_EQ(Text(removed), L"abc");
    EXPECT_EQ(Bytes(CStringA(s)), std::string("a\0b\0c", 5));
}

TEST(CStringAccess, OutsidePositionsReadNulAndIgnoreWrites) {
    CString s(L"abc");
    for (int index : {-100, -1, 3, 4, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(s.GetAt(index), L'\0');
        EXPECT_EQ(s[index], L'\0');
        s.SetAt(index, L'X');
        EXPECT_EQ(Text(s), L"abc");
    }
    EXPECT_EQ(s[2], L'c');
    s = L'q';
    EXPECT_EQ(Text(s), L"q");
    EXPECT_EQ(Bytes(CStringA('-', 3)), "---");
}

TEST(CStringSearch, FindAndReverseFind) {
    const CString s(L"one two one");
    const struct { const wchar_t* text; int start; int expected; } texts[] = {
        {L"one", 0, 0},  {L"one", 1, 8}, {L"one", 9, -1}, {L"two", 0, 4}, {L"six", 0, -1},
        {L"", 0, 0},     {L"", 11, 11},  {L"", 12, -1},   {L"e", -1, -1}, {L"one two one!", 0, -1},
        {nullptr, 3, 3},
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(testing::Message() << (t.text ? t.text : L"(null)") << " from " << t.start);
        EXPECT_EQ(s.Find(t.text, t.start), t.expected);
    }
    const struct { wchar_t ch; int start; int expected; } chars[] = {
        {L'o', 0, 0}, {L'o', 1, 6}, {L'o', 7, 8}, {L'x', 0, -1}, {L'o', 11, -1}, {L'o', -2, -1}};
    for (const auto& c : chars) {
        SCOPED_TRACE(testing::Message() << c.ch << " from " << c.start);
        EXPECT_EQ(s.Find(c.ch, c.start), c.expected);
    }
    EXPECT_EQ(s.ReverseFind(L'o'), 8);
    EXPECT_EQ(s.ReverseFind(L'x'), -1);
    EXPECT_EQ(s.FindOneOf(L"wt"), 4);
    EXPECT_EQ(s.FindOneOf(L"xyz"), -1);
}

TEST(CStringEdit, ReplaceCountsNonOverlappingMatchesLeftToRight) {
    const struct { const wchar_t* text; const wchar_t* old_text; const wchar_t* new_text; const wchar_t* expected;
        int count; } cases[] = {
        {L"A-B-A", L"A", L"x", L"x-B-x", 2},          {L"aaaa", L"aa", L"b", L"bb", 2},
        {L"aaa", L"aa", L"x", L"xa", 1},
        {L"abab", L"ab", L"abab", L"abababab", 2},  // inserted text is not searched again
        {L"abc", L"b", L"", L"ac", 1},                {L"abc", L"", L"x", L"abc", 0},
        {L"abc", nullptr, L"x", L"abc", 0},           {L"abc", L"b", nullptr, L"ac", 1},
        {L"abc", L"abcd", L"x", L"abc", 0},           {L"", L"a", L"x", L"", 0},
        {L"same", L"same", L"same", L"same", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " / " << (c.old_text ? c.old_text : L"(null)"));
        CString s(c.text);
        EXPECT_EQ(s.Replace(c.old_text, c.new_text), c.count);
        EXPECT_EQ(Text(s), c.expected);
    }
    CString s(L"abc");
    EXPECT_EQ(s.Replace(L"b", s.GetString()), 1);  // new text from the string itself
    EXPECT_EQ(Text(s), L"aabcc");
    CString dots(L"a.b.c");
    EXPECT_EQ(dots.Replace(L'.', L'/'), 2);
    EXPECT_EQ(Text(dots), L"a/b/c");
    EXPECT_EQ(dots.Replace(L'x', L'y'), 0);
}

TEST(CStringEdit, InsertDeleteAndRemoveClampPositions) {
    const struct { const char* name; std::function<int(CString&)> edit; const wchar_t* expected;
        int result; } cases[] = {
        {"insert text", [](CString& s) { return s.Insert(1, L"XY"); }, L"aXYbc", 5},
        {"insert at start", [](CString& s) { return s.Insert(-5, L'X'); }, L"Xabc", 4},
        {"insert past end", [](CString& s) { return s.Insert(99, L'X'); }, L"abcX", 4},
        {"insert nothing", [](CString& s) { return s.Insert(1, L""); }, L"abc", 3},
        {"insert itself", [](CString& s) { return s.Insert(1, s.GetString()); }, L"aabcbc", 6},
        {"delete one", [](CString& s) { return s.Delete(1); }, L"ac", 2},
        {"delete past end", [](CString& s) { return s.Delete(1, 99); }, L"a", 1},
        {"delete negative index", [](CString& s) { return s.Delete(-3, 1); }, L"bc", 2},
        {"delete beyond", [](CString& s) { return s.Delete(3, 1); }, L"abc", 3},
        {"delete zero", [](CString& s) { return s.Delete(0, 0); }, L"abc", 3},
        {"delete negative count", [](CString& s) { return s.Delete(0, -2); }, L"abc", 3},
        {"remove", [](CString& s) { return s.Remove(L'b'); }, L"ac", 1},
        {"remove none", [](CString& s) { return s.Remove(L'z'); }, L"abc", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CString s(L"abc");
        EXPECT_EQ(c.edit(s), c.result);
        EXPECT_EQ(Text(s), c.expected);
    }
}

TEST(CStringEdit, TrimWhitespaceACharacterOrASet) {
    const struct { const char* name; std::function<void(CString&)> trim; const wchar_t* expected; } cases[] = {
        {"Trim", [](CString& s) { s.Trim(); }, L"x- y -x"},
        {"TrimLeft", [](CString& s) { s.TrimLeft(); }, L"x- y -x \r\n"},
        {"TrimRight", [](CString& s) { s.TrimRight(); }, L" \t\vx- y -x"},
        {"Trim char", [](CString& s) { s.Trim(L' '); }, L"\t\vx- y -x \r\n"},
        {"Trim set", [](CString& s) { s.Trim(L" \t\v\r\nx"); }, L"- y -"},
        {"TrimLeft set", [](CString& s) { s.TrimLeft(L" \t\vx-"); }, L"y -x \r\n"},
        {"TrimRight char", [](CString& s) { s.TrimRight(L'\n'); }, L" \t\vx- y -x \r"},
        {"Trim empty set", [](CString& s) { s.Trim(L""); }, L" \t\vx- y -x \r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CString s(L" \t\vx- y -x \r\n");
        c.trim(s);
        EXPECT_EQ(Text(s), c.expected);
    }
    CString blank(L" \t ");
    EXPECT_TRUE(blank.Trim().IsEmpty());
}

TEST(CStringValues, ConstructionSubstringsAndConcatenationClampLikeTheClassLibrary) {
    const CString s(L"hello");
    const CString digits(L"abc123def");
    const CString a(L"ab");
    const wchar_t* none = nullptr;
    const struct { CString actual; const wchar_t* expected; } cases[] = {
        {CString(L"abcdef", 3), L"abc"}, {CString(L"abc", -1), L""}, {CString(none), L""},
        {CString(L'z', 4), L"zzzz"},     {CString(L'z', 0), L""},
        {a + CString(L"cd"), L"abcd"},   {a + L"cd", L"abcd"},       {L"cd" + a, L"cdab"},  {a + L'c', L"abc"},
        {L'c' + a, L"cab"},              {CString(L"x") + L"y" + L'z' + a, L"xyzab"},      {a + none, L"ab"},
        {s.Left(2), L"he"},    {s.Left(0), L""},       {s.Left(-1), L""},      {s.Left(99), L"hello"},
        {s.Mid(1), L"ello"},   {s.Mid(1, 3), L"ell"},  {s.Mid(-2), L"hello"},  {s.Mid(-2, 2), L"he"},
        {s.Mid(5), L""},       {s.Mid(9), L""},        {s.Mid(2, 99), L"llo"}, {s.Mid(1, -1), L""},
        {s.Right(2), L"lo"},   {s.Right(99), L"hello"}, {s.Right(-1), L""},    {s.Right(0), L""},
        {digits.SpanIncluding(L"cba"), L"abc"},        {digits.SpanIncluding(L"123"), L""},
        {digits.SpanIncluding(L""), L""},              {digits.SpanExcluding(L"0123456789"), L"abc"},
        {digits.SpanExcluding(L""), L"abc123def"},
    };
    for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Text(cases[i].actual), cases[i].expected);
    }
}

// Each token with the position Tokenize leaves `start` at, as "token@start".
std::vector<std::wstring> Tokens(const CString& s, const wchar_t* set) {
    std::vector<std::wstring> tokens;
    int start = 0;
    for (int guard = 0; guard < 100; ++guard) {
        CString token = s.Tokenize(set, start);
        if (start < 0) {
            EXPECT_TRUE(token.IsEmpty());
            break;
        }
        tokens.push_back(Text(token) + L"@" + std::to_wstring(start));
    }
    return tokens;
}

TEST(CStringSubstring, TokenizeSkipsDelimitersAndEndsWithMinusOne) {
    using Words = std::vector<std::wstring>;
    EXPECT_EQ(Tokens(CString(L" a,b,,c "), L" ,"), (Words{L"a@3", L"b@5", L"c@8"}));
    EXPECT_EQ(Tokens(CString(L"ab,cd"), L","), (Words{L"ab@3", L"cd@6"}));
    EXPECT_EQ(Tokens(CString(L",,,"), L","), Words{});
    EXPECT_EQ(Tokens(CString(L""), L","), Words{});
    EXPECT_EQ(Tokens(CString(L"a b"), L""), (Words{L"a b@4"}));  // no delimiters: the rest is one token
    EXPECT_EQ(Tokens(CString(L"a b"), nullptr), (Words{L"a b@4"}));
    int negative = -4;
    EXPECT_TRUE(CString(L"abc").Tokenize(L",", negative).IsEmpty());
    EXPECT_EQ(negative, -1);
}

TEST(CStringCompare, OrdersByUnsignedCodeUnitsThenLength) {
    const struct { CString a; const wchar_t* b; int compare; int no_case; } cases[] = {
        {L"abc", L"abc", 0, 0},          {L"abc", L"abd", -1, -1},         {L"abd", L"abc", 1, 1},
        {L"ab", L"abc", -1, -1},         {L"abc", L"ab", 1, 1},            {L"", L"", 0, 0},
        {L"", L"a", -1, -1},             {L"Abc", L"abc", -1, 0},          {L"\u00FF", L"a", 1, 1},
        {L"\u00C9T\u00C9", L"\u00E9t\u00E9", -1, 0},                       {L"\u0416", L"\u0436", -1, 0},
        {L"\u03A3", L"\u03C3", -1, 0},   {L"\u0100", L"\u0101", -1, 0},    {L"a", nullptr, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << Text(c.a) << " vs " << (c.b ? c.b : L"(null)"));
        EXPECT_EQ(c.a.Compare(c.b), c.compare);
        EXPECT_EQ(c.a.CompareNoCase(c.b), c.no_case);
        EXPECT_EQ(c.a == c.b, c.compare == 0);
        EXPECT_EQ(c.a != c.b, c.compare != 0);
        EXPECT_EQ(c.a < c.b, c.compare < 0);
        EXPECT_EQ(c.b < c.a, c.compare > 0);
        EXPECT_EQ(c.a < CString(c.b), c.compare < 0);
        EXPECT_EQ(c.a == CString(c.b), c.compare == 0);
    }
    EXPECT_LT(CStringA("a"), CStringA("\xC3\xA9"));  // bytes compare unsigned
    EXPECT_TRUE(CString(L"x") == L'x');
    EXPECT_TRUE(L'x' == CString(L"x"));
    EXPECT_TRUE(CString(L"xy") != L'x');
    EXPECT_TRUE(CString(L"a") < L'b');
    EXPECT_TRUE(L"abc" == CString(L"abc"));
}

TEST(CStringCase, LowerAndUpperAreTheSameInEveryLocale) {
    const struct { const wchar_t* text; const wchar_t* lower; const wchar_t* upper; } cases[] = {
        {L"MiXeD 123", L"mixed 123", L"MIXED 123"},
        {L"\u00C0\u00C9\u00D6\u00DE\u00D7", L"\u00E0\u00E9\u00F6\u00FE\u00D7", L"\u00C0\u00C9\u00D6\u00DE\u00D7"},
        {L"\u00DF\u00FF", L"\u00DF\u00FF", L"\u00DF\u0178"},
        {L"\u0100\u0101\u0139\u013A\u0141\u0142", L"\u0101\u0101\u013A\u013A\u0142\u0142", L"\u0100\u0100\u0139\u0139\u0141\u0141"},
        {L"\u0130\u0131", L"i\u0131", L"\u0130I"},
        {L"\u0391\u03A3\u03C2\u03AC", L"\u03B1\u03C3\u03C2\u03AC", L"\u0391\u03A3\u03A3\u0386"},
        {L"\u0416\u0401\u0436\u0451", L"\u0436\u0451\u0436\u0451", L"\u0416\u0401\u0416\u0401"},
        {L"\u4E2D\u6587", L"\u4E2D\u6587", L"\u4E2D\u6587"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text);
        CString lower(c.text);
        CString upper(c.text);
        EXPECT_EQ(Text(lower.MakeLower()), c.lower);
        EXPECT_EQ(Text(upper.MakeUpper()), c.upper);
    }
    CStringA utf8("\xC3\x89t\xC3\xA9 ABC");  // only ASCII bytes of UTF-8 text change
    EXPECT_EQ(Bytes(utf8.MakeLower()), "\xC3\x89t\xC3\xA9 abc");
    EXPECT_EQ(Bytes(utf8.MakeUpper()), "\xC3\x89T\xC3\xA9 ABC");
    CString reversed(L"abc");
    EXPECT_EQ(Text(reversed.MakeReverse()), L"cba");
}

TEST(CStringConcat, AppendOperatorsWithStringsPointersAndCharacters) {
    const CString a(L"ab");
    CString s;
    s += a;
    s += L"-";
    s += L'!';
    s += "n\xC3\xA9";  // narrow text is UTF-8
    EXPECT_EQ(Text(s), L"ab-!n\u00E9");
    EXPECT_EQ(Text(a), L"ab");
}

}  // namespace
