// The file-system calls the file routines stand on, against the real system: Windows (under
// Wine) and winport's POSIX emulation must agree on every row.
#include "scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using cw32test::ScratchDir;

constexpr DWORD kFailed = 0xFFFFFFFFu;

TEST(FileAttributes, ReportFilesFoldersReadOnlyAndMisses) {
    ScratchDir dir;
    dir.WriteFile(L"plain.txt", "x");
    dir.MakeDir(L"folder");
    const std::wstring plain = dir.W(L"plain.txt");
    EXPECT_EQ(GetFileAttributesW(plain.c_str()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0u);
    EXPECT_NE(GetFileAttributesW(dir.W(L"folder").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ASSERT_TRUE(SetFileAttributesW(plain.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_NE(GetFileAttributesW(plain.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(SetFileAttributesW(plain.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(plain.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    SetLastError(0);
    EXPECT_EQ(GetFileAttributesW(dir.W(L"nothing.txt").c_str()), kFailed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(dir.W(L"no-folder\\nothing.txt").c_str()), kFailed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(SetFileAttributesW(dir.W(L"nothing.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// The read-only attribute refuses every open that could write, whoever runs the process (CI
// runs as root, whom POSIX lets write anyway); reading stays allowed.
TEST(OpeningFiles, ReadOnlyFilesRefuseEveryWritingOpen) {
    if (cw32test::WineWritesReadOnlyFiles()) GTEST_SKIP() << "Wine run as root opens read-only files for writing";
    ScratchDir dir;
    dir.WriteFile(L"ro.txt", "kept");
    dir.SetReadOnly(L"ro.txt", true);
    struct Case {
        DWORD access;
        DWORD disposition;
        bool opens;
    } cases[] = {
        {GENERIC_READ, OPEN_EXISTING, true},
        {GENERIC_WRITE, OPEN_EXISTING, false},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, false},
        {FILE_APPEND_DATA, OPEN_EXISTING, false},
        {GENERIC_WRITE, CREATE_ALWAYS, false},
        {GENERIC_WRITE, TRUNCATE_EXISTING, false},
    };
    for (const auto& c : cases) {
        HANDLE file = CreateFileW(dir.W(L"ro.txt").c_str(), c.access, FILE_SHARE_READ, nullptr, c.disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << std::hex << c.access << " " << c.disposition;
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        } else {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        }
    }
    EXPECT_EQ(dir.ReadFile(L"ro.txt"), "kept");
    dir.SetReadOnly(L"ro.txt", false);
}

// Each row starts from the same folder: src.txt, old.txt, read-only locked.txt and a folder.
TEST(DeletingAndCopyingFiles, FollowTheWindowsRules) {
    struct Case {
        const char* name;
        bool copy;  // CopyFileW(from, to, fail_if_exists), else DeleteFileW(from)
        const wchar_t* from;
        const wchar_t* to;
        bool fail_if_exists;
        bool ok;
        DWORD error;
        bool wine_differs = false;
    } cases[] = {
        {"delete a plain file", false, L"src.txt", nullptr, false, true, 0},
        {"delete a read-only file", false, L"locked.txt", nullptr, false, false, ERROR_ACCESS_DENIED},
        {"delete a folder", false, L"folder", nullptr, false, false, ERROR_ACCESS_DENIED},
        {"delete a missing file", false, L"missing.txt", nullptr, false, false, ERROR_FILE_NOT_FOUND},
        {"delete below a missing folder", false, L"gone\\x.txt", nullptr, false, false, ERROR_PATH_NOT_FOUND},
        {"copy to a new name", true, L"src.txt", L"new.txt", false, true, 0},
        {"copy a read-only file: the copy is read-only too", true, L"locked.txt", L"new.txt", true, true, 0},
        {"copy over an existing file", true, L"src.txt", L"old.txt", false, true, 0},
        {"copy over an existing file, refused", true, L"src.txt", L"old.txt", true, false, ERROR_FILE_EXISTS},
        // Wine's CopyFileW replaces read-only files, which Windows refuses.
        {"copy over a read-only file", true, L"src.txt", L"locked.txt", false, false, ERROR_ACCESS_DENIED, true},
        {"copy from a missing file", true, L"missing.txt", L"new.txt", false, false, ERROR_FILE_NOT_FOUND},
        {"copy into a missing folder", true, L"src.txt", L"gone\\new.txt", false, false, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
#if defined(CW32_TESTS_UNDER_WINE)
        if (c.wine_differs) continue;
#endif
        ScratchDir dir;
        dir.WriteFile(L"src.txt", "source bytes\r\n");
        dir.WriteFile(L"old.txt", "old");
        dir.WriteFile(L"locked.txt", "b");
        dir.SetReadOnly(L"locked.txt", true);
        dir.MakeDir(L"folder");
        SetLastError(0);
        const BOOL ok = c.copy ? CopyFileW(dir.W(c.from).c_str(), dir.W(c.to).c_str(), c.fail_if_exists)
                               : DeleteFileW(dir.W(c.from).c_str());
        EXPECT_EQ(ok != FALSE, c.ok);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        if (c.copy && c.ok) {
            EXPECT_EQ(dir.ReadFile(c.to), dir.ReadFile(c.from));
            EXPECT_EQ(GetFileAttributesW(dir.W(c.to).c_str()) & FILE_ATTRIBUTE_READONLY,
                      GetFileAttributesW(dir.W(c.from).c_str()) & FILE_ATTRIBUTE_READONLY);
        } else if (c.copy) {
            EXPECT_NE(dir.ReadFile(c.to), "source bytes\r\n");
        } else {
            EXPECT_EQ(dir.Exists(c.from), !c.ok && c.error == ERROR_ACCESS_DENIED);
        }
    }
}

TEST(Directories, CreateAndRemoveFollowTheWindowsRules) {
    ScratchDir dir;
    dir.WriteFile(L"full\\file.txt", "x");
    dir.WriteFile(L"file.txt", "x");
    struct Case {
        const char* name;
        bool create;
        const wchar_t* target;
        bool ok;
        DWORD error;
    } cases[] = {
        {"create a new folder", true, L"new", true, 0},
        {"create it again", true, L"new", false, ERROR_ALREADY_EXISTS},
        {"create below a missing folder", true, L"gone\\new", false, ERROR_PATH_NOT_FOUND},
        {"remove a folder that is not empty", false, L"full", false, ERROR_DIR_NOT_EMPTY},
        {"remove a missing folder", false, L"missing", false, ERROR_FILE_NOT_FOUND},
        {"remove a file as a folder", false, L"file.txt", false, ERROR_DIRECTORY},
        {"remove the empty folder", false, L"new", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        const BOOL ok = c.create ? CreateDirectoryW(dir.W(c.target).c_str(), nullptr) : RemoveDirectoryW(dir.W(c.target).c_str());
        EXPECT_EQ(ok != FALSE, c.ok);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    EXPECT_FALSE(dir.Exists(L"new"));
    EXPECT_TRUE(dir.Exists(L"full\\file.txt"));
}

std::vector<std::wstring> FindAll(const std::wstring& pattern, DWORD* error) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return names;
    }
    do names.push_back(data.cFileName);
    while (FindNextFileW(find, &data));
    *error = GetLastError();
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FindFiles, WildcardsFollowTheWindowsRules) {
    ScratchDir dir;
    for (const wchar_t* name : {L"a.txt", L"B.TXT", L"readme", L"x.tar.gz", L"ab", L"abc", L"a.text"})
        dir.WriteFile(name, "x");
    struct Case {
        const wchar_t* pattern;
        std::vector<std::wstring> expected;
        DWORD error = ERROR_NO_MORE_FILES;  // the last answer of the search
        bool wine_differs = false;
    } cases[] = {
        {L"*", {L".", L"..", L"B.TXT", L"a.text", L"a.txt", L"ab", L"abc", L"readme", L"x.tar.gz"}},
        {L"*.*", {L".", L"..", L"B.TXT", L"a.text", L"a.txt", L"ab", L"abc", L"readme", L"x.tar.gz"}},
        {L"*.txt", {L"B.TXT", L"a.txt"}},
        {L"a?", {L"ab"}},
        {L"A*", {L"a.text", L"a.txt", L"ab", L"abc"}},
        {L"readme", {L"readme"}},
        {L"*.tar.*", {L"x.tar.gz"}},
        // The command shell's rules for a trailing dot and a "?" at the end; Wine does not
        // follow them (it reads "*." as "*" and "?" as exactly one character).
        {L"*.", {L".", L"..", L"ab", L"abc", L"readme"}, ERROR_NO_MORE_FILES, true},
        {L"ab?", {L"ab", L"abc"}, ERROR_NO_MORE_FILES, true},
        {L"a.*", {L"a.text", L"a.txt"}},
        {L"readme.*", {L"readme"}},
        {L"*.none", {}, ERROR_FILE_NOT_FOUND},
        {L"missing\\*.*", {}, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern, c.pattern + wcslen(c.pattern)));
#if defined(CW32_TESTS_UNDER_WINE)
        if (c.wine_differs) continue;
#endif
        DWORD error = 0;
        EXPECT_EQ(FindAll(dir.W(c.pattern), &error), c.expected);
        EXPECT_EQ(error, c.error);
    }
}

TEST(FindFiles, ReportsSizesAndFolderBits) {
    ScratchDir dir;
    dir.WriteFile(L"five.bin", "12345");
    dir.MakeDir(L"sub");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(dir.W(L"five.bin").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_TRUE(FindClose(find));
    find = FindFirstFileW(dir.W(L"su*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, L"sub");
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_TRUE(FindClose(find));
}

}  // namespace
