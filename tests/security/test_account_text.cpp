// The account helpers that work on text alone: splitting "DOMAIN\user" and the password rules,
// whose character classes come from the platform's character tables.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

namespace {

TEST(ParseDomainUser, SplitsAtTheFirstBackslashOnly) {
    struct Case {
        const wchar_t *account, *domain, *user;
    };
    // The user starts as "before": a name ending at its backslash leaves it so.
    for (const Case& c : {Case{L"CORP\\alice", L"CORP", L"alice"}, Case{L"alice", L"", L"alice"},
                          Case{L"\\alice", L"", L"alice"}, Case{L"CORP\\", L"CORP", L"before"},
                          Case{L"a\\b\\c", L"a", L"b\\c"}, Case{L"alice@corp.example", L"", L"alice@corp.example"},
                          Case{L" Corp \\ Al ", L" Corp ", L" Al "}, Case{L"", L"", L""}}) {
        CString domain = L"stale", user = L"before";
        ParseDomainUser(c.account, domain, user);
        EXPECT_EQ(CString(c.domain), domain) << c.account;
        EXPECT_EQ(CString(c.user), user) << c.account;
    }
}

TEST(IsStrongPassword, NeedsLengthTwoClassesAndNoUserName) {
    struct Case {
        const wchar_t *user, *password;
        bool strong;
    };
    for (const Case& c : {
             Case{L"bob", L"a1b2c3", true},
             Case{L"bob", L"aB1!x", false},       // five units, all four classes
             Case{L"bob", L"a12345", true},       // one lower case, five digits
             Case{L"bob", L"abcdef", false}, Case{L"bob", L"123456", false}, Case{L"bob", L"!?.,;:", false},
             Case{L"bob", L"abc de", true},       // a blank is of the other class
             Case{L"bob", L"xxbob99", false}, Case{L"bob", L"xxBOB99", true},  // the name only in its own case
             Case{L"", L"Strong#Pass1", false},   // the empty name is in every password
             Case{L"bob", L"\u05d0\u05d1\u05d2\u05d3\u05d4\u05d5", false},  // letters without case: "other"
             Case{L"bob", L"\u05d0\u05d1\u05d2\u05d3\u05d41", true},
             Case{L"bob", L"\u00e9\u00c9\u00e8\u00c8\u00ea\u00ca", true},   // lower and upper beyond ASCII
             Case{L"bob", L"\U0001F600abcd", true},  // two surrogates and four letters: six units
             Case{L"bob", L"\U0001F600abc", false},
         }) {
        EXPECT_EQ(isStrongPassword(c.user, c.password), c.strong) << CStringA(c.password).GetString();
    }
}

}  // namespace
