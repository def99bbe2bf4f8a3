// FileRecursiveCopy and DeleteAllFilesAndDirectories on real trees.
#include "scratch.h"
#include "support/test_host.h"

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using cw32test::ScratchDir;

const std::wstring kTag = L"[RemoveFolderStructure: DeleteAllFilesAndDirectories]: ";

void MakeTree(const ScratchDir& dir) {
    dir.WriteFile(L"tree\\top.txt", "top");
    dir.WriteFile(L"tree\\sub\\deep.txt", "deep");
    dir.WriteFile(L"tree\\sub\\inner\\deeper.bin", std::string("\0\x01\xFF", 3));
    dir.MakeDir(L"tree\\empty");
}

// The shell's destination rules. Each row starts from MakeTree's tree and a folder dest that
// holds an older, read-only dest\tree\top.txt (replaced without asking) and dest\tree\keep.txt.
TEST(FileRecursiveCopy, FollowsTheShellsDestinationRulesAndLogsItsCode) {
    const std::string binary("\0\x01\xFF", 3);
    struct Case {
        const char* name;
        const wchar_t* from;
        const wchar_t* to;
        std::vector<std::pair<std::wstring, std::string>> expected;  // entries and their bytes (none: a folder)
        bool ok = true;
    } cases[] = {
        {"a file to a new name", L"tree\\top.txt", L"copy.txt", {{L"copy.txt", "top"}}},
        {"a file into an existing folder", L"tree\\top.txt", L"dest", {{L"dest\\top.txt", "top"}}},
        {"a folder to a new name", L"tree", L"copy",
         {{L"copy\\top.txt", "top"}, {L"copy\\sub\\inner\\deeper.bin", binary}, {L"copy\\empty", ""}}},
        {"a folder into an existing folder", L"tree", L"dest",
         {{L"dest\\tree\\top.txt", "top"}, {L"dest\\tree\\sub\\deep.txt", "deep"}, {L"dest\\tree\\keep.txt", "kept"}}},
        {"a folder's contents by wildcard", L"tree\\*", L"dest\\tree",
         {{L"dest\\tree\\top.txt", "top"}, {L"dest\\tree\\sub\\deep.txt", "deep"}, {L"dest\\tree\\keep.txt", "kept"}}},
        {"a missing source", L"missing", L"elsewhere", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        MakeTree(dir);
        dir.WriteFile(L"dest\\tree\\top.txt", "stale");
        dir.WriteFile(L"dest\\tree\\keep.txt", "kept");
        dir.SetReadOnly(L"dest\\tree\\top.txt", true);
        auto host = cw32test::MakeHost();
        EXPECT_EQ(FileRecursiveCopy(host, dir.W(c.from).c_str(), dir.W(c.to).c_str()), c.ok);
        for (const auto& [entry, bytes] : c.expected) {
            EXPECT_TRUE(dir.Exists(entry)) << std::string(entry.begin(), entry.end());
            if (!bytes.empty()) {
                EXPECT_EQ(dir.ReadFile(entry), bytes) << std::string(entry.begin(), entry.end());
            }
        }
        const std::wstring code0 = L"FileRecursiveCopy - SHFileOperation return code: 0";
        ASSERT_EQ(host->lines.size(), 1u);
        const std::wstring line = host->Unstamped()[0];
        EXPECT_EQ(line.rfind(L"FileRecursiveCopy - SHFileOperation return code: ", 0), 0u);
        EXPECT_EQ(line == code0, c.ok);
        EXPECT_FALSE(dir.Exists(L"elsewhere"));
    }
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
