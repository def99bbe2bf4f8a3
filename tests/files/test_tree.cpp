// FileRecursiveCopy and DeleteAllFilesAndDirectories on real trees.
#include "scratch.h"
#include "support/test_host.h"

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using cw32test::ScratchDir;

const std::wstring kTag = L"[RemoveFolderStructure: DeleteAllFilesAndDirectories]: ";

void MakeTree(const ScratchDir& dir) {
    dir.WriteFile(L"tree\\top.txt", "top");
    dir.WriteFile(L"tree\\sub\\deep.txt", "deep");
    dir.WriteFile(L"tree\\sub\\inner\\deeper.bin", std::string("\0\x01\xFF", 3));
    dir.MakeDir(L"tree\\empty");
}

TEST(FileRecursiveCopy, CopiesAndOverwritesTreesAndReportsTheShellsCode) {
    ScratchDir dir;
    MakeTree(dir);
    auto host = cw32test::MakeHost();
    EXPECT_TRUE(FileRecursiveCopy(host, dir.W(L"tree").c_str(), dir.W(L"copy").c_str()));
    EXPECT_EQ(dir.ReadFile(L"copy\\top.txt"), "top");
    EXPECT_EQ(dir.ReadFile(L"copy\\sub\\inner\\deeper.bin"), std::string("\0\x01\xFF", 3));
    EXPECT_TRUE(dir.Exists(L"copy\\empty"));

    dir.WriteFile(L"copy\\top.txt", "stale");
    dir.WriteFile(L"copy\\sub\\deep.txt", "stale");
    host = cw32test::MakeHost();
    // The folder's contents, by wildcard, onto a destination that already holds older copies.
    EXPECT_TRUE(FileRecursiveCopy(host, dir.W(L"tree\\*").c_str(), dir.W(L"copy").c_str()));
    EXPECT_EQ(dir.ReadFile(L"copy\\top.txt"), "top");
    EXPECT_EQ(dir.ReadFile(L"copy\\sub\\deep.txt"), "deep");
    EXPECT_EQ(host->Unstamped(), std::vector<std::wstring>{L"FileRecursiveCopy - SHFileOperation return code: 0"});
}

TEST(FileRecursiveCopy, FailureIsFalseWithItsCodeLogged) {
    ScratchDir dir;
    auto host = cw32test::MakeHost();
    EXPECT_FALSE(FileRecursiveCopy(host, dir.W(L"missing").c_str(), dir.W(L"copy").c_str()));
    ASSERT_EQ(host->lines.size(), 1u);
    const std::wstring line = host->Unstamped()[0];
    EXPECT_EQ(line.rfind(L"FileRecursiveCopy - SHFileOperation return code: ", 0), 0u);
    EXPECT_NE(line, L"FileRecursiveCopy - SHFileOperation return code: 0");
}

TEST(DeleteAllFilesAndDirectories, RemovesTreesSilently) {
    struct Case {
        const char* name;
        bool read_only_file;
        bool empty;
    } cases[] = {
        {"a tree", false, false},
        {"a tree with a read-only file", true, false},
        {"an empty folder", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        if (c.empty) {
            dir.MakeDir(L"tree");
        } else {
            MakeTree(dir);
        }
        if (c.read_only_file) dir.SetReadOnly(L"tree\\sub\\deep.txt", true);
        auto host = cw32test::MakeHost();
        DeleteAllFilesAndDirectories(host, dir.W(L"tree").c_str());
        EXPECT_FALSE(dir.Exists(L"tree"));
        EXPECT_TRUE(host->lines.empty());
    }
}

TEST(DeleteAllFilesAndDirectories, EmptyTextDoesNothingAndAMissingFolderLogsThePattern) {
    ScratchDir dir;
    auto host = cw32test::MakeHost();
    DeleteAllFilesAndDirectories(host, L"");
    EXPECT_TRUE(host->lines.empty());
    DeleteAllFilesAndDirectories(host, dir.W(L"missing").c_str());
    EXPECT_EQ(host->Unstamped(),
              std::vector<std::wstring>{kTag + L"ERROR Invalid handle value of " + dir.W(L"missing") + L"\\*.*."});
    for (const auto& line : host->lines) EXPECT_TRUE(cw32test::HasStamp(line.text));
}

TEST(DeleteAllFilesAndDirectories, ALockedFileKeepsEveryFolderAboveIt) {
    ScratchDir dir;
    MakeTree(dir);
    // Open without delete sharing: Windows refuses to delete the file while it is open.
    HANDLE locked = CreateFileW(dir.W(L"tree\\sub\\deep.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    auto host = cw32test::MakeHost();
    DeleteAllFilesAndDirectories(host, dir.W(L"tree").c_str());
    CloseHandle(locked);
    EXPECT_EQ(host->Unstamped(), (std::vector<std::wstring>{
                                     kTag + L"ERROR Delete File (error 32) " + dir.W(L"tree\\sub\\deep.txt") + L".",
                                     kTag + L"ERROR RemoveDirectory [error 145] " + dir.W(L"tree\\sub") + L".",
                                     kTag + L"ERROR RemoveDirectory [error 145] " + dir.W(L"tree") + L".",
                                 }));
    EXPECT_TRUE(dir.Exists(L"tree\\sub\\deep.txt"));
    EXPECT_FALSE(dir.Exists(L"tree\\top.txt"));
    EXPECT_FALSE(dir.Exists(L"tree\\sub\\inner"));
}

}  // namespace
