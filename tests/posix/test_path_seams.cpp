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

TEST(GetTempPathW, FollowsTmpdirWithOneTrailingSeparator) {
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
}

TEST(GetTempPathW, AnswersTheNeededSizeWhenTheBufferIsShort) {
    cw32test::ScopedEnv saved({"TMPDIR"});
    SetTmpdir("/var/tmp");  // "/var/tmp/": 9 characters, 10 with the terminator
    EXPECT_EQ(GetTempPathW(0, nullptr), 10u);
    wchar_t buffer[16] = L"untouched";
    SetLastError(1234);
    EXPECT_EQ(GetTempPathW(9, buffer), 10u);
    EXPECT_STREQ(buffer, L"");  // emptied, as Windows does
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(GetTempPathW(10, buffer), 9u);
    EXPECT_STREQ(buffer, L"/var/tmp/");
}

TEST(GetShortPathNameW, ExistingEntriesAreTheirOwnShortForm) {
    cw32test::TempFolder dir;
    dir.Write(L"Long File Name.text", "x");
    ASSERT_EQ(symlink("/nonexistent/target", (dir.Root() / "dangling").c_str()), 0);
    for (const std::wstring& path : {dir.Path(L"Long File Name.text"), dir.Path(L"dangling"), dir.Path(L""),
                                     dir.Path(L".")}) {
        wchar_t buffer[512] = {};
        EXPECT_EQ(GetShortPathNameW(path.c_str(), buffer, 512), path.size());
        EXPECT_EQ(std::wstring(buffer), path);
    }
    std::wstring backslashed = dir.Path(L"Long File Name.text");
    for (wchar_t& c : backslashed) c = c == L'/' ? L'\\' : c;
    wchar_t buffer[512] = {};
    EXPECT_EQ(GetShortPathNameW(backslashed.c_str(), buffer, 512), backslashed.size());
    EXPECT_EQ(std::wstring(buffer), backslashed);  // returned as given, separators and all
}

TEST(GetShortPathNameW, FailuresCarryTheWindowsCodes) {
    struct Case {
        const wchar_t* path;
        DWORD error;
    };
    for (const Case& c : {Case{L"/nonexistent/cw32/file", ERROR_FILE_NOT_FOUND}, Case{L"", ERROR_BAD_PATHNAME},
                          Case{nullptr, ERROR_INVALID_PARAMETER}}) {
        wchar_t buffer[8] = L"keep";
        SetLastError(0);
        EXPECT_EQ(GetShortPathNameW(c.path, buffer, 8), 0u);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_STREQ(buffer, L"keep");
    }
}

TEST(GetShortPathNameW, AnswersTheNeededSizeWhenTheBufferIsShort) {
    wchar_t buffer[8] = L"keep";
    EXPECT_EQ(GetShortPathNameW(L"/tmp", buffer, 4), 5u);
    EXPECT_STREQ(buffer, L"keep");
    EXPECT_EQ(GetShortPathNameW(L"/tmp", nullptr, 0), 5u);
    EXPECT_EQ(GetShortPathNameW(L"/tmp", buffer, 5), 4u);
    EXPECT_STREQ(buffer, L"/tmp");
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
