// CStringArray and CWordArray: growth, insertion and removal, copies, and the defined failures
// for positions outside the array.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Items(const CStringArray& a) {
    std::vector<std::wstring> out;
    for (const CString& s : a) out.emplace_back(s.GetString(), s.GetLength());
    return out;
}

CStringArray Abc() {
    CStringArray a;
    a.Add(L"a");
    a.Add(CString(L"b"));
    a.Add(L"c");
    return a;
}

using Words = std::vector<std::wstring>;

TEST(CStringArray, AddReturnsTheIndexSizesFollowAndCopiesAreIndependent) {
    CStringArray a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetUpperBound(), -1);
    EXPECT_EQ(a.Add(L"zero"), 0);
    EXPECT_EQ(a.Add(L"one"), 1);
    EXPECT_EQ(a.GetSize(), 2);
    EXPECT_EQ(a.GetCount(), 2);
    EXPECT_EQ(a.GetUpperBound(), 1);
    EXPECT_FALSE(a.IsEmpty());
    EXPECT_EQ(std::wstring(a[1].GetString()), L"one");
    a[1] = L"uno";
    a.SetAt(0, L"cero");
    EXPECT_EQ(Items(a), (Words{L"cero", L"uno"}));
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());

    CStringArray original = Abc();  // copies of the array are independent
    CStringArray b = original;
    b[0] = L"changed";
    b.Add(L"d");
    EXPECT_EQ(Items(original), (Words{L"a", L"b", L"c"}));
    EXPECT_EQ(Items(b), (Words{L"changed", L"b", L"c", L"d"}));
}

TEST(CStringArray, InsertAndRemove) {
    const struct { const char* name; std::function<void(CStringArray&)> edit; Words expected; } cases[] = {
        {"insert one", [](CStringArray& a) { a.InsertAt(1, L"x"); }, {L"a", L"x", L"b", L"c"}},
        {"insert three", [](CStringArray& a) { a.InsertAt(0, L"x", 3); }, {L"x", L"x", L"x", L"a", L"b", L"c"}},
        {"insert at end", [](CStringArray& a) { a.InsertAt(3, L"x"); }, {L"a", L"b", L"c", L"x"}},
        {"insert past end grows", [](CStringArray& a) { a.InsertAt(5, L"x"); }, {L"a", L"b", L"c", L"", L"", L"x"}},
        {"insert an element of itself", [](CStringArray& a) { a.InsertAt(0, a[2], 2); }, {L"c", L"c", L"a", L"b", L"c"}},
        {"insert zero", [](CStringArray& a) { a.InsertAt(1, L"x", 0); }, {L"a", L"b", L"c"}},
        {"insert array", [](CStringArray& a) { CStringArray b = Abc(); a.InsertAt(1, &b); },
         {L"a", L"a", L"b", L"c", L"b", L"c"}},
        {"insert itself", [](CStringArray& a) { a.InsertAt(3, &a); }, {L"a", L"b", L"c", L"a", L"b", L"c"}},
        {"remove one", [](CStringArray& a) { a.RemoveAt(1); }, {L"a", L"c"}},
        {"remove two", [](CStringArray& a) { a.RemoveAt(0, 2); }, {L"c"}},
        {"remove all three", [](CStringArray& a) { a.RemoveAt(0, 3); }, {}},
        {"remove zero", [](CStringArray& a) { a.RemoveAt(3, 0); }, {L"a", L"b", L"c"}},
        {"set at grow", [](CStringArray& a) { a.SetAtGrow(4, L"e"); }, {L"a", L"b", L"c", L"", L"e"}},
        {"set size down", [](CStringArray& a) { a.SetSize(1); }, {L"a"}},
        {"set size up", [](CStringArray& a) { a.SetSize(4, 10); }, {L"a", L"b", L"c", L""}},
        {"append", [](CStringArray& a) { EXPECT_EQ(a.Append(Abc()), 3); }, {L"a", L"b", L"c", L"a", L"b", L"c"}},
        {"append itself", [](CStringArray& a) { a.Append(a); }, {L"a", L"b", L"c", L"a", L"b", L"c"}},
        {"copy", [](CStringArray& a) { CStringArray b; b.Add(L"only"); a.Copy(b); }, {L"only"}},
        {"copy itself", [](CStringArray& a) { a.Copy(a); }, {L"a", L"b", L"c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CStringArray a = Abc();
        c.edit(a);
        EXPECT_EQ(Items(a), c.expected);
    }
}

TEST(CStringArray, PositionsOutsideTheArrayThrowOutOfRange) {
    const struct { const char* name; std::function<void(CStringArray&)> use; } cases[] = {
        {"GetAt -1", [](CStringArray& a) { a.GetAt(-1); }},
        {"GetAt size", [](CStringArray& a) { a.GetAt(3); }},
        {"operator[]", [](CStringArray& a) { a[7] = L"x"; }},
        {"const operator[]", [](CStringArray& a) { const CStringArray& c = a; (void)c[3]; }},
        {"ElementAt", [](CStringArray& a) { a.ElementAt(3); }},
        {"SetAt", [](CStringArray& a) { a.SetAt(3, L"x"); }},
        {"SetAtGrow negative", [](CStringArray& a) { a.SetAtGrow(-1, L"x"); }},
        {"RemoveAt size", [](CStringArray& a) { a.RemoveAt(3); }},
        {"RemoveAt too many", [](CStringArray& a) { a.RemoveAt(1, 3); }},
        {"RemoveAt negative", [](CStringArray& a) { a.RemoveAt(-1); }},
        {"RemoveAt negative count", [](CStringArray& a) { a.RemoveAt(0, -1); }},
        {"InsertAt negative", [](CStringArray& a) { a.InsertAt(-1, L"x"); }},
        {"InsertAt negative count", [](CStringArray& a) { a.InsertAt(0, L"x", -2); }},
        {"SetSize negative", [](CStringArray& a) { a.SetSize(-1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CStringArray a = Abc();
        EXPECT_THROW(c.use(a), std::out_of_range);
        EXPECT_EQ(Items(a), (Words{L"a", L"b", L"c"}));
    }
}

// CWordArray is the same array of 16-bit values: the element type is what it adds.
TEST(CWordArray, HoldsSixteenBitUnsignedValuesAndGrowsWithZeros) {
    CWordArray versions;
    static_assert(sizeof(versions[0]) == 2, "WORD elements");
    versions.Add(65535);
    versions.SetSize(3);
    EXPECT_EQ(versions.GetAt(0), 65535);
    EXPECT_EQ(versions[2], 0);
}

}  // namespace
