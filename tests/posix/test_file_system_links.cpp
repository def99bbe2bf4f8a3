// winport's file families where POSIX differs from Windows underneath: symbolic links,
// handle accounting of searches, and the shell operations winport refuses loudly.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include "classlib/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
namespace wt = winport::testing;

namespace {

class LinkTree : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root_ / "outside");
        std::ofstream(root_ / "outside" / "keep.txt") << "keep";
        std::ofstream(root_ / "file.txt") << "x";
        fs::create_directory_symlink(root_ / "outside", root_ / "dirlink");
        fs::create_symlink(root_ / "file.txt", root_ / "filelink");
    }
    std::wstring W(const char* name) const { return (root_ / name).wstring(); }
    cw32test::TempFolder folder_;
    const fs::path root_ = folder_.Root();
};

TEST_F(LinkTree, LinksAreReparsePointsWithTheFolderBitWhenTheyLeadToOne) {
    EXPECT_EQ(GetFileAttributesW(W("dirlink").c_str()), DWORD{FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY});
    EXPECT_EQ(GetFileAttributesW(W("filelink").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(GetFileAttributesW(W("filelink").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
}

TEST_F(LinkTree, RemovingALinkNeverTouchesWhatItLeadsTo) {
    EXPECT_FALSE(DeleteFileW(W("dirlink").c_str()));  // a folder link is RemoveDirectoryW's
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(RemoveDirectoryW(W("dirlink").c_str()));
    EXPECT_TRUE(DeleteFileW(W("filelink").c_str()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(root_ / "dirlink")));
    EXPECT_TRUE(fs::exists(root_ / "outside" / "keep.txt"));
    EXPECT_TRUE(fs::exists(root_ / "file.txt"));
}

TEST_F(LinkTree, ShellCopyKeepsFolderLinksAsLinks) {
    std::wstring from = W("dirlink") + L'\0';
    std::wstring to = W("copied") + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_COPY;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    EXPECT_EQ(SHFileOperationW(&op), 0);
    EXPECT_TRUE(fs::is_symlink(root_ / "copied"));
}

TEST_F(LinkTree, SearchesAreCountedHandles) {
    const std::size_t before = wt::LiveHandles(wt::HandleKind::Find);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((W("") + L"\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(wt::LiveHandles(wt::HandleKind::Find), before + 1);
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ(wt::LiveHandles(wt::HandleKind::Find), before);
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(ShellOperation, RefusesWhatItCannotDoFaithfullyAndCountsAsAFaultPoint) {
    const wchar_t from[] = L"/nonexistent/a\0";
    const wchar_t to[] = L"/nonexistent/b\0";
    struct Case {
        const char* name;
        UINT function;
        FILEOP_FLAGS flags;
        int result;  // ERROR_ACCESS_DENIED: an injected fault
    } cases[] = {
        {"a delete", FO_DELETE, FOF_NOCONFIRMATION, ERROR_NOT_SUPPORTED},
        {"a move", FO_MOVE, FOF_NOCONFIRMATION, ERROR_NOT_SUPPORTED},
        {"renaming on collision", FO_COPY, FOF_NOCONFIRMATION | FOF_RENAMEONCOLLISION, ERROR_NOT_SUPPORTED},
        {"the recycle bin", FO_COPY, FOF_NOCONFIRMATION | FOF_ALLOWUNDO, ERROR_NOT_SUPPORTED},
        {"a failed call", FO_COPY, FOF_NOCONFIRMATION, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SHFILEOPSTRUCTW op = {};
        op.wFunc = c.function;
        op.pFrom = from;
        op.pTo = to;
        op.fFlags = c.flags;
        if (c.result == ERROR_ACCESS_DENIED) wt::FailNthCall(1, ERROR_ACCESS_DENIED, "SHFileOperationW");
        EXPECT_EQ(SHFileOperationW(&op), c.result);
        EXPECT_EQ(wt::FaultFired(), c.result == ERROR_ACCESS_DENIED);
        wt::DisarmFaults();
    }
}

}  // namespace

// Errors that come from errno through the one table: a link loop is 1921; a missing name is
// 2 in a folder that exists and 3 when the folder is missing too; a file used as a folder is 3.
TEST_F(LinkTree, ErrnoFailuresAnswerTheWindowsCodes) {
    fs::create_symlink(root_ / "loop-b", root_ / "loop-a");
    fs::create_symlink(root_ / "loop-a", root_ / "loop-b");
    struct Case {
        const char* name;
        DWORD error;
    } cases[] = {
        {"loop-a", ERROR_CANT_RESOLVE_FILENAME},
        {"missing.txt", ERROR_FILE_NOT_FOUND},
        {"missing/x.txt", ERROR_PATH_NOT_FOUND},
        {"file.txt/x.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        HANDLE file = CreateFileW(W(c.name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(file, INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
}
