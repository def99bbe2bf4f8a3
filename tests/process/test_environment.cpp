// The temporary environment variable pair, on the process's real environment.
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using cw32test::MakeHost;

namespace {

const wchar_t kName[] = L"CW32_TEMPORARY_TEST_VARIABLE";

bool Read(std::wstring* value) {
    wchar_t buffer[1024];
    SetLastError(ERROR_ENVVAR_NOT_FOUND);  // an empty value answers 0 too, and clears the error
    const DWORD n = GetEnvironmentVariableW(kName, buffer, 1024);
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    *value = std::wstring(buffer, n);
    return true;
}

// The value before is handed back, and put back afterwards; a variable that did not exist is
// logged as missing and removed again.
TEST(TemporaryEnvironment, SetAndRestoreRoundTrips) {
    struct Case {
        const char* name;
        const wchar_t* before;  // null: the variable does not exist
        std::wstring value;
    };
    const std::wstring v259 = std::wstring(259, L'x');  // fits the first buffer with its terminator
    const std::wstring v260 = std::wstring(260, L'y');  // one over: read a second time
    const Case cases[] = {
        {"missing variable", nullptr, L"new"},
        {"short value", L"old", L"new"},
        {"259 characters", v259.c_str(), L"new"},
        {"260 characters", v260.c_str(), L"new"},
        {"empty new value", L"old", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetEnvironmentVariableW(kName, c.before);
        auto host = MakeHost();
        bool existed = c.before == nullptr;  // the opposite, to see it written
        const CString previous = temporarySetEnvironmentVariable(host, CString(kName), CString(c.value.c_str()), existed);
        EXPECT_EQ(existed, c.before != nullptr);
        EXPECT_EQ(std::wstring(previous.GetString()), c.before ? c.before : L"");
        std::wstring now;
        // An empty value is handed to the platform as empty text: Wine then removes the
        // variable, POSIX and Windows keep it empty.
#if defined(CW32_TESTS_UNDER_WINE)
        EXPECT_TRUE(Read(&now) || c.value.empty());
#else
        EXPECT_TRUE(Read(&now));
#endif
        EXPECT_EQ(now, c.value);
        const std::vector<std::wstring> lines(c.before ? 0 : 1,
                                              std::wstring(L"Environment variable ") + kName + L" does not exist.\n");
        EXPECT_EQ(host->Unstamped(), lines);
        for (const auto& line : host->lines) EXPECT_TRUE(cw32test::HasStamp(line.text));

        EXPECT_TRUE(restoreEnvironmentVariable(host, CString(kName), previous, existed));
        std::wstring after;
        EXPECT_EQ(Read(&after), c.before != nullptr);
        if (c.before) {
            EXPECT_EQ(after, c.before);
        }
        EXPECT_EQ(host->Unstamped(), lines);  // a good restore logs nothing
        EXPECT_EQ(host.use_count(), 1);
    }
    EXPECT_TRUE(SetEnvironmentVariableW(kName, nullptr));
    EXPECT_TRUE(SetEnvironmentVariableW(kName, nullptr));  // deleting what is not there succeeds
}

TEST(TemporaryEnvironment, RestoreFailureIsLoggedAndReported) {
    // An empty name is refused by the platform, which makes the putting back fail for real.
    auto host = MakeHost();
    EXPECT_FALSE(restoreEnvironmentVariable(host, CString(), CString(L"old"), true));
    ASSERT_EQ(host->lines.size(), 1u);
    EXPECT_EQ(cw32test::StripStamp(host->lines[0].text), L"SetEnvironmentVariable failed (87)\n");
}

// The platform's own matching of names without regard to case is compared with Windows' by
// tests/probes; the temporary pair must find a variable under another spelling.
TEST(TemporaryEnvironment, FindsTheVariableUnderAnotherSpelling) {
    const wchar_t* spellings[] = {L"Cw32_Case_Test", L"CW32_CASE_TEST", L"cw32_case_test"};
    wchar_t buffer[16];
    ASSERT_TRUE(SetEnvironmentVariableW(spellings[1], L"b"));
    auto host = MakeHost();
    bool existed = false;
    const CString previous = temporarySetEnvironmentVariable(host, CString(spellings[2]), CString(L"c"), existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(std::wstring(previous.GetString()), L"b");
    EXPECT_EQ(GetEnvironmentVariableW(spellings[0], buffer, 16), 1u);
    EXPECT_EQ(std::wstring(buffer), L"c");
    EXPECT_TRUE(restoreEnvironmentVariable(host, CString(spellings[2]), previous, existed));
    EXPECT_EQ(GetEnvironmentVariableW(spellings[1], buffer, 16), 1u);
    EXPECT_EQ(std::wstring(buffer), L"b");
    EXPECT_TRUE(host->lines.empty());

    EXPECT_TRUE(SetEnvironmentVariableW(spellings[2], nullptr));
}

}  // namespace
