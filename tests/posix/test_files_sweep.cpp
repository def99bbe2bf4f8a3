// Fault-injection sweeps over the file routines: every platform call of ReplaceFileVariables
// and DeleteAllFilesAndDirectories fails in turn, and each time the routine must not crash,
// must log only its documented lines, must leave no handle open and must lose no data.
#include "classlib/temp_folder.h"
#include "fault_sweep.h"
#include "support/test_host.h"

#include <common-win32/common-win32.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }

// A fault sweep whose runs log to a host: every line it gets is a stamped level-2 line.
template <class Run, class Check>
std::set<std::string> Sweep(Run run, Check check) {
    boost::shared_ptr<cw32test::RecordingHost> host;
    return cw32test::SweepFaults(ERROR_ACCESS_DENIED, [&] { host = run(); }, [&](unsigned, const std::string& function) {
        for (const auto& line : host->lines) {
            EXPECT_EQ(line.level, 2);
            EXPECT_TRUE(cw32test::HasStamp(line.text));
        }
        check(*host, !function.empty(), function);
    });
}

// ---- ReplaceFileVariables ----------------------------------------------------------------

TEST(FileSweeps, ReplaceFileVariablesKeepsTheTargetWhole) {
    const std::string original = "user=USER\npass=PASS\n\ncaf\xE9 USER\n";
    const std::string replaced = "user=admin\r\npass=secret\r\n\r\ncaf\xC3\xA9 admin\r\n";
    cw32test::TempFolder dir;
    const fs::path target = dir.Root() / "setup.ini";
    const fs::path temp = dir.Root() / "setup.ini.tmp";
    const std::wstring abort_line = L"ReplaceFileVariables: error reading from '" + dir.Path(L"setup.ini.tmp") +
                                    L"' writing to '" + dir.Path(L"setup.ini") + L"', aborting..";
    const std::set<std::string> faulted = Sweep(
        [&] {
            Write(target, original);
            fs::remove(temp);
            auto host = cw32test::MakeHost();
            ReplaceFileVariables(host, dir.Path(L"setup.ini").c_str(), L"USER=\"admin\",PASS=\"secret\"", L"0,16", false, false);
            return host;
        },
        [&](const cw32test::RecordingHost& host, bool fired, const std::string& function) {
            const std::string now = dir.Read(L"setup.ini");
            const std::vector<std::wstring> lines = host.Unstamped();
            const bool aborted = !lines.empty() && lines.back() == abort_line;
            for (const auto& line : lines) {
                EXPECT_TRUE(line == L"Output File will be UTF-8 Encoded" || line == abort_line ||
                            StartsWith(line, L"ReplaceFileVariables: Replaced "))
                    << std::string(line.begin(), line.end());
                EXPECT_EQ(line.find(L"secret"), std::wstring::npos) << "a hidden value reached the log";
            }
            if (!fired) {
                EXPECT_EQ(now, replaced);
                EXPECT_FALSE(fs::exists(temp));
                EXPECT_EQ(lines.size(), 4u);  // the UTF-8 line and three replacements
                return;
            }
            EXPECT_TRUE(now == original || now == replaced) << "fault in " << function;
            if (aborted) {
                EXPECT_EQ(now, original) << "fault in " << function;
                EXPECT_FALSE(fs::exists(temp)) << "fault in " << function;
            } else if (now == original) {
                // Only a temporary file that could not be made, or the final copy, fail silently.
                EXPECT_TRUE(function == "CreateFileW" || function == "CopyFileW") << function;
                EXPECT_FALSE(fs::exists(temp)) << "fault in " << function;
            } else {
                // The rewrite went through; only the clean-up of the temporary file may have failed.
                EXPECT_EQ(fs::exists(temp), function == "DeleteFileW") << function;
            }
        });
    for (const char* function : {"CreateFileW", "ReadFile", "WriteFile", "CopyFileW", "DeleteFileW"})
        EXPECT_EQ(faulted.count(function), 1u) << "the sweep never failed " << function;
}

// ---- DeleteAllFilesAndDirectories --------------------------------------------------------

const std::wstring kTag = L"[RemoveFolderStructure: DeleteAllFilesAndDirectories]: ";

// The first line each faulted call must produce (empty: it must produce none).
std::wstring ExpectedFirstLine(const std::string& function) {
    if (function == "FindFirstFileW") return kTag + L"ERROR Invalid handle value of ";
    if (function == "DeleteFileW" || function == "SetFileAttributesW") return kTag + L"ERROR Delete File (error 5) ";
    if (function == "RemoveDirectoryW") return kTag + L"ERROR RemoveDirectory [error 5] ";
    if (function == "FindClose") return kTag + L"ERROR Couldn't close search handle.";
    if (function == "GetFileAttributesW") return kTag + L"ERROR RemoveDirectory [error 145] ";
    return L"";  // FindNextFileW: the next entry is fetched again
}

TEST(FileSweeps, DeleteAllFilesAndDirectoriesNeverLosesDataOutsideTheTree) {
    cw32test::TempFolder dir;
    const fs::path tree = dir.Root() / "tree";
    const fs::path outside = dir.Root() / "outside";
    const std::set<std::string> faulted = Sweep(
        [&] {
            fs::remove_all(tree);
            Write(tree / "a.txt", "a");
            Write(tree / "sub" / "b.txt", "b");
            Write(tree / "sub" / "ro.txt", "read-only");
            fs::permissions(tree / "sub" / "ro.txt", fs::perms::owner_read);
            fs::create_directories(tree / "sub" / "empty");
            Write(outside / "keep.txt", "keep");
            fs::create_directory_symlink(outside, tree / "sub" / "link");
            auto host = cw32test::MakeHost();
            DeleteAllFilesAndDirectories(host, dir.Path(L"tree").c_str());
            return host;
        },
        [&](const cw32test::RecordingHost& host, bool fired, const std::string& function) {
            EXPECT_EQ(dir.Read(L"outside/keep.txt"), "keep") << "the link was followed after a fault in " << function;
            const std::vector<std::wstring> lines = host.Unstamped();
            if (!fired) {
                EXPECT_TRUE(lines.empty());
                EXPECT_FALSE(fs::exists(tree));
                return;
            }
            const std::wstring first = ExpectedFirstLine(function);
            if (first.empty()) {
                EXPECT_TRUE(lines.empty()) << function;
                EXPECT_FALSE(fs::exists(tree)) << function;
            } else {
                ASSERT_FALSE(lines.empty()) << function;
                EXPECT_TRUE(StartsWith(lines[0], first)) << function << ": " << std::string(lines[0].begin(), lines[0].end());
            }
            for (const auto& line : lines) {
                EXPECT_TRUE(StartsWith(line, kTag + L"ERROR RemoveDirectory [error ") ||
                            StartsWith(line, kTag + L"ERROR Delete File (error ") ||
                            StartsWith(line, kTag + L"ERROR Invalid handle value of ") ||
                            line == kTag + L"ERROR Couldn't close search handle.")
                    << std::string(line.begin(), line.end());
            }
            // What the fault left behind goes on a second, untouched run.
            if (fs::exists(tree)) {
                auto again = cw32test::MakeHost();
                DeleteAllFilesAndDirectories(again, dir.Path(L"tree").c_str());
                EXPECT_TRUE(again->lines.empty()) << function;
                EXPECT_FALSE(fs::exists(tree)) << function;
            }
        });
    for (const char* function : {"FindFirstFileW", "FindNextFileW", "FindClose", "GetFileAttributesW",
                                 "SetFileAttributesW", "DeleteFileW", "RemoveDirectoryW"})
        EXPECT_EQ(faulted.count(function), 1u) << "the sweep never failed " << function;
}

}  // namespace
