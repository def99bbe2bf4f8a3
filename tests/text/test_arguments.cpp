// Argument lists: reading, writing, prepending, peeking, and lists that give back any values.
#include <common-win32/common-win32.h>

#include "support/test_host.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Every value GetArg takes off `list`, in order.
std::vector<std::wstring> ReadAll(CString list, const wchar_t* separator) {
    std::vector<std::wstring> values;
    CString value;
    while (GetArg(list, value, separator)) {
        values.emplace_back(value.GetString());
        if (values.size() > 10000) break;  // a reader that never empties the list is a failure, not a hang
    }
    EXPECT_TRUE(list.IsEmpty());
    return values;
}

using Values = std::vector<std::wstring>;

TEST(GetArg, TakesValuesOffTheFront) {
    struct Case { const wchar_t *list, *separator, *value, *rest; };
    for (const Case& c : {
             Case{L";", L";", L"", L""},
             Case{L"abc", L";", L"abc", L""},                 // a last value needs no separator
             Case{L"a\\;b;c;", L";", L"a;b", L"c;"},
             Case{L"x\\\\;y;", L";", L"x\\", L"y;"},          // even run: the separator ends the value
             Case{L"x\\\\\\;y;", L";", L"x\\;y", L""},        // odd run: it belongs to the value
             Case{L"a;b|c|", L"|", L"a;b", L"c|"},            // another separator is plain text
             Case{L"\\\\", L";", L"\\", L""},
             Case{L"ab", L"", L"ab", L""},                    // an empty separator never matches
             Case{L"a::b::", L"::", L"a", L"b::"},
         }) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.list)));
        CString list(c.list), value(L"old");
        EXPECT_TRUE(GetArg(list, value, c.separator));
        EXPECT_STREQ(value.GetString(), c.value);
        EXPECT_STREQ(list.GetString(), c.rest);
    }
}

TEST(GetArg, EmptyListGivesFalseAndLeavesTheValueAndNullSeparatorTakesAll) {
    CString list, value(L"kept");
    EXPECT_FALSE(GetArg(list, value, L";"));
    EXPECT_STREQ(value.GetString(), L"kept");
    CString one(L";");
    EXPECT_TRUE(GetArg(one, value, L";"));
    EXPECT_FALSE(GetArg(one, value, L";"));
    EXPECT_STREQ(value.GetString(), L"");
    CString whole(L"a;b");
    EXPECT_TRUE(GetArg(whole, value, nullptr));
    EXPECT_STREQ(value.GetString(), L"a;b");
    EXPECT_TRUE(whole.IsEmpty());
}

TEST(WriteArg, AppendsOrPrependsTheEscapedValueAndSeparator) {
    CString list;
    WriteArg(list, L"a;b", L";");
    WriteArg(list, L"c", L";");
    EXPECT_STREQ(list.GetString(), L"a\\;b;c;");
    WriteArg(list, L"d\\", L";");
    EXPECT_STREQ(list.GetString(), L"a\\;b;c;d\\\\;");
    CString nulls;
    WriteArg(nulls, nullptr, L"|");
    EXPECT_STREQ(nulls.GetString(), L"|");

    CString front(L"a;");
    PrependArg(front, L"z", L";");
    EXPECT_STREQ(front.GetString(), L"z;a;");
    PrependArg(front, L"x;\\", L";");
    EXPECT_STREQ(front.GetString(), L"x\\;\\\\;z;a;");
    EXPECT_EQ(ReadAll(front, L";"), (Values{L"x;\\", L"z", L"a"}));
}

TEST(PeekArg, AnswersLikeGetArgAndKeepsTheList) {
    for (const wchar_t* text : {L"a\\;b;c;", L"abc", L";", L""}) {
        const CString list(text);
        CString peeked(L"p"), taken(L"p");
        CString copy(list);
        EXPECT_EQ(PeekArg(list, peeked, L";"), GetArg(copy, taken, L";"));
        EXPECT_STREQ(peeked.GetString(), taken.GetString());
        EXPECT_STREQ(list.GetString(), text);
    }
}

// Any list of values, written with WriteArg (or escaped by hand), reads back unchanged.
TEST(ArgumentLists, AnyValueListRoundTrips) {
    const wchar_t alphabet[] = L"ab;|.\\ \u00e9";
    std::mt19937 rng(4711);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof alphabet / sizeof *alphabet) - 2);
    std::uniform_int_distribution<int> length(0, 6), count(1, 6);
    for (int round = 0; round < 3000; ++round) {
        for (const wchar_t* separator : {L";", L"|", L".", L"a"}) {
            Values values(count(rng));
            for (std::wstring& v : values) {
                for (int n = length(rng); n > 0; --n) v += alphabet[pick(rng)];
            }
            CString written, escaped;
            for (const std::wstring& v : values) {
                WriteArg(written, v.c_str(), separator);
                escaped += EscapeSeparator(v.c_str(), separator) + separator;
            }
            ASSERT_STREQ(written.GetString(), escaped.GetString());
            ASSERT_EQ(ReadAll(written, separator), values) << testing::PrintToString(std::wstring(written.GetString()));
            // Prepending in reverse order builds the same list.
            CString prepended;
            for (auto v = values.rbegin(); v != values.rend(); ++v) PrependArg(prepended, v->c_str(), separator);
            ASSERT_STREQ(prepended.GetString(), written.GetString());
        }
    }
}

// A host that breaks its promise and answers with no string at all.
class SilentHost final : public cw32test::RecordingHost {
public:
    boost::shared_ptr<std::wstring> GetArgumentValue(const std::wstring&) override { return {}; }
};

TEST(GetCStringArg, ReturnsTheHostsTextAsGivenAndEmptyTextWithoutContextOrAnswer) {
    auto host = cw32test::MakeHost();
    host->arguments[L"INSTALLDIR"] = L"C:\\Program Files\\App";
    host->arguments[L"EMPTY"] = L"";
    host->arguments[L"CUT"] = std::wstring(L"before\0after", 12);
    EXPECT_STREQ(GetCStringArg(host, L"INSTALLDIR").GetString(), L"C:\\Program Files\\App");
    EXPECT_STREQ(GetCStringArg(host, L"EMPTY").GetString(), L"");
    EXPECT_STREQ(GetCStringArg(host, L"CUT").GetString(), L"before");
    EXPECT_EQ(host->asked, (Values{L"INSTALLDIR", L"EMPTY", L"CUT"}));
    EXPECT_TRUE(host->lines.empty());  // nothing is logged
    EXPECT_TRUE(GetCStringArg(boost::shared_ptr<IActionContext>(), L"X").IsEmpty());
    EXPECT_TRUE(GetCStringArg(boost::shared_ptr<IActionContext>(new SilentHost), L"X").IsEmpty());
}

}  // namespace
