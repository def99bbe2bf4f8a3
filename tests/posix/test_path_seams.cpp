// winport's path queries on POSIX, and what the path routines do when the system refuses.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include "classlib/temp_folder.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace wt = winport::testing;

namespace {

// Sets or clears $TMPDIR; a ScopedEnv puts the old value back.
void SetTmpdir(const char* value) {
    if (value) setenv("TMPDIR", value, 1);
    else unsetenv("TMPDIR");
}

class PathFaults : public ::testing::Test {
protected:
    void TearDown() override { wt::DisarmFaults(); }
};

// "/var/tmp/" needs 10 places: a shorter buffer is emptied and learns the size.
TEST(GetTempPathW, FollowsTmpdirWithOneTrailingSeparatorAndAnswersTheNeededSize) {
    struct Case {
        const char* tmpdir;
        const wchar_t* path;
    };
    for (const Case& c : {Case{nullptr, L"/tmp/"}, Case{"", L"/tmp/"}, Case{"/var/scratch", L"/var/scratch/"},
                          Case{"/var/scratch/", L"/var/scratch/"}, Case{"/t\xC3\xA9mp", L"/t\u00e9mp/"}}) {
        cw32test::ScopedEnv saved({"TMPDIR"});
        SetTmpdir(c.tmpdir);
        wchar_t buffer[64] = {};
        EXPECT_EQ(GetTempPathW(64, buffer), std::wcslen(c.path));
        EXPECT_STREQ(buffer, c.path);
        EXPECT_STREQ(myGetTempPath().GetString(), c.path);
    }
    cw32test::ScopedEnv saved({"TMPDIR"});
    SetTmpdir("/var/tmp");
    EXPECT_EQ(GetTempPathW(0, nullptr), 10u);
    wchar_t buffer[16] = L"untouched";
    SetLastError(1234);
    EXPECT_EQ(GetTempPathW(9, buffer), 10u);
    EXPECT_STREQ(buffer, L"");  // emptied, as Windows does
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(GetTempPathW(10, buffer), 9u);
    EXPECT_STREQ(buffer, L"/var/tmp/");
}

// An existing entry is its own short form, returned as given (backslashes too); a buffer too
// small for it and its terminator is left alone and learns the size.
TEST(GetShortPathNameW, ExistingEntriesAreTheirOwnShortFormAndFailuresCarryTheWindowsCodes) {
    cw32test::TempFolder dir;
    dir.Write(L"Long File Name.text", "x");
    ASSERT_EQ(symlink("/nonexistent/target", (dir.Root() / "dangling").c_str()), 0);
    std::wstring backslashed = dir.Path(L"Long File Name.text");
    for (wchar_t& c : backslashed) c = c == L'/' ? L'\\' : c;
    struct Case {
        std::wstring path;
        DWORD size, error;
    };
    const Case cases[] = {
        {dir.Path(L"Long File Name.text"), 512, 0}, {dir.Path(L"dangling"), 512, 0}, {dir.Path(L""), 512, 0},
        {dir.Path(L"."), 512, 0}, {backslashed, 512, 0}, {L"/tmp", 5, 0}, {L"/tmp", 4, 0}, {L"/tmp", 0, 0},
        {L"/nonexistent/cw32/file", 8, ERROR_FILE_NOT_FOUND}, {L"", 8, ERROR_BAD_PATHNAME},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.path) + " in " + std::to_string(c.size));
        const auto length = static_cast<DWORD>(c.path.size());
        wchar_t buffer[512] = L"keep";
        SetLastError(0);
        EXPECT_EQ(GetShortPathNameW(c.path.c_str(), c.size ? buffer : nullptr, c.size),
                  c.error ? 0 : c.size > length ? length : length + 1);
        EXPECT_EQ(std::wstring(buffer), c.error == 0 && c.size > length ? c.path : L"keep");
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    wchar_t buffer[8] = L"keep";
    EXPECT_EQ(GetShortPathNameW(nullptr, buffer, 8), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(buffer, L"keep");
}

TEST(PathQueries, AreRecordedInTheCallLog) {
    cw32test::ScopedEnv saved({"TMPDIR"});
    SetTmpdir("/tmp");
    wt::StartCallLog();
    int count = 0;
    myGetShortPath(L"/tmp", count);
    myGetTempPath();
    wt::StopCallLog();
    EXPECT_EQ(wt::CallLog(), (std::vector<std::string>{"GetShortPathNameW(/tmp)", "GetTempPathW(0)", "GetTempPathW(14)"}));
    // "/tmp/" needs 6 places: the second call asks with twice that and two more.
}

// Every system call of each routine made to fail in turn: the documented fallback, no crash.
TEST_F(PathFaults, myGetTempPathIsEmptyWhenTheSystemRefuses) {
    const CString expected = myGetTempPath();
    unsigned n = 1;
    for (;; ++n) {
        wt::FailNthCall(n, ERROR_ACCESS_DENIED);
        const CString result = myGetTempPath();
        if (!wt::FaultFired()) {
            EXPECT_STREQ(result.GetString(), expected.GetString());
            break;
        }
        EXPECT_EQ(wt::FaultedFunction(), "GetTempPathW");
        EXPECT_TRUE(result.IsEmpty()) << "call " << n;
    }
    EXPECT_EQ(n, 3u);  // two calls: the size, then the text
}

TEST_F(PathFaults, myGetShortPathGivesThePathBackWithCountZero) {
    wt::FailNthCall(1, ERROR_ACCESS_DENIED, "GetShortPathNameW");
    int count = -1;
    EXPECT_STREQ(myGetShortPath(L"/tmp", count).GetString(), L"/tmp");
    EXPECT_TRUE(wt::FaultFired());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(PathFaults, SplitAndJoinGiveEmptyPartsWhenTheRuntimeRefuses) {
    wt::FailNthCall(1, ERROR_ACCESS_DENIED, "_wsplitpath_s");
    CString drive(L"x"), dir(L"x"), name(L"x"), ext(L"x");
    mySplitPath(L"C:\\a\\b.c", &drive, &dir, &name, &ext);
    EXPECT_TRUE(wt::FaultFired());
    for (const CString* part : {&drive, &dir, &name, &ext}) EXPECT_TRUE(part->IsEmpty());

    wt::FailNthCall(1, ERROR_ACCESS_DENIED, "_wmakepath_s");
    CString out(L"previous");
    myMakePath(out, L"C", L"a", L"b", L"c");
    EXPECT_TRUE(wt::FaultFired());
    EXPECT_TRUE(out.IsEmpty());
}

}  // namespace
