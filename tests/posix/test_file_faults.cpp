// winport's file family under its seams: each call fails on demand with the armed error, the file
// classes survive every failure of a whole round trip without leaking a handle, and the call log
// shows what CFile asked of the system.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include "classlib/temp_folder.h"
#include "fault_sweep.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace wt = winport::testing;

namespace {

class FileSeams : public ::testing::Test {
protected:
    void TearDown() override {
        wt::DisarmFaults();
        wt::StopCallLog();
    }
    HANDLE Open(const std::wstring& path, DWORD disposition = OPEN_EXISTING, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
        return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           disposition, flags, nullptr);
    }
    cw32test::TempFolder folder;
};

TEST_F(FileSeams, EveryFunctionFailsWithTheArmedErrorAndThenWorksAgain) {
    folder.Write(L"f.txt", "abc");
    const std::wstring path = folder.Path(L"f.txt");
    const HANDLE file = Open(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD count = 0;
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    const struct {
        const char* function;
        std::function<bool()> fails;
    } cases[] = {
        {"CreateFileW",
         [&] {
             const HANDLE other = Open(path);
             if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
             return other == INVALID_HANDLE_VALUE;
         }},
        {"ReadFile", [&] { return !ReadFile(file, buffer, 1, &count, nullptr); }},
        {"WriteFile", [&] { return !WriteFile(file, "x", 1, &count, nullptr); }},
        {"SetFilePointer", [&] { return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER; }},
        {"SetFilePointerEx", [&] { return !SetFilePointerEx(file, zero, nullptr, FILE_BEGIN); }},
        {"GetFileSize", [&] { return GetFileSize(file, nullptr) == INVALID_FILE_SIZE; }},
        {"GetFileSizeEx", [&] { return !GetFileSizeEx(file, &zero); }},
        {"FlushFileBuffers", [&] { return !FlushFileBuffers(file); }},
        {"SetEndOfFile", [&] { return !SetEndOfFile(file); }},
        // The heap, locale and code page families: the failure leaves no block behind.
        {"LocalAlloc", [] { void* block = LocalAlloc(LPTR, 16); LocalFree(block); return block == nullptr; }},
        {"GetLocaleInfoW", [] { return GetLocaleInfoW(0x409, LOCALE_SNAME, nullptr, 0) != 6; }},
        {"MultiByteToWideChar", [] { return MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0) == 0; }},
        {"WideCharToMultiByte",
         [] { return WideCharToMultiByte(CP_UTF8, 0, L"abc", -1, nullptr, 0, nullptr, nullptr) == 0; }},
    };
    const std::size_t blocks = wt::LiveLocalBlocks();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        wt::FailNthCall(1, ERROR_LOCK_VIOLATION, c.function);
        EXPECT_TRUE(c.fails());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
        EXPECT_TRUE(wt::FaultFired());
        EXPECT_EQ(wt::FaultedFunction(), c.function);
        wt::DisarmFaults();
        EXPECT_FALSE(c.fails());
        EXPECT_EQ(wt::LiveLocalBlocks(), blocks);
    }
    EXPECT_TRUE(CloseHandle(file));
}

// Fails call 1, 2, 3 ... of a whole CStdioFile round trip until it runs untouched. Each failure
// must reach the caller (a false Open or a CFileException*), and no file handle may stay open.
TEST_F(FileSeams, SweepOverAFileRoundTripReportsEveryFailureAndLeaksNothing) {
    const std::wstring path = folder.Path(L"sweep.txt");
    bool completed = false, reported = false;
    cw32test::SweepFaults(
        ERROR_DISK_FULL,
        [&] {
            completed = reported = false;
            try {
                CStdioFile file;
                if (file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite)) {
                    file.WriteString(L"one\ntwo\n");
                    file.SeekToBegin();
                    CString line;
                    file.ReadString(line);
                    file.ReadString(line);
                    file.SetLength(4);
                    file.Flush();
                    file.Close();
                    completed = true;
                } else {
                    reported = GetLastError() == ERROR_DISK_FULL;
                }
            } catch (CFileException* e) {
                reported = e->m_lOsError == ERROR_DISK_FULL && e->m_cause == CFileException::diskFull;
                e->Delete();
            }
        },
        [&](unsigned n, const std::string& function) {
            EXPECT_EQ(completed, function.empty());
            EXPECT_EQ(reported, !function.empty());
            if (function.empty()) {
                EXPECT_EQ(folder.Read(L"sweep.txt"), "one\r");
                // CreateFileW, WriteFile, SetFilePointerEx, ReadFile (once: the rest comes from the
                // read buffer), SetFilePointerEx, SetEndOfFile, FlushFileBuffers: seven could fail.
                EXPECT_EQ(n, 8u);
            }
        });
}

TEST_F(FileSeams, CallLogShowsTheAccessShareAndDispositionCFileAskedFor) {
    const struct {
        UINT flags;
        const char* expected;
    } cases[] = {
        {CFile::modeRead | CFile::shareDenyNone, "access=0x80000000 share=0x3 disposition=3 flags=0x80"},
        {CFile::modeCreate | CFile::modeWrite, "access=0x40000000 share=0x0 disposition=2 flags=0x80"},
        {CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite | CFile::shareDenyWrite,
         "access=0xC0000000 share=0x1 disposition=4 flags=0x80"},
        {CFile::modeWrite | CFile::shareDenyRead, "access=0x40000000 share=0x2 disposition=3 flags=0x80"},
    };
    folder.Write(L"log.txt", "x");
    const std::wstring path = folder.Path(L"log.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        wt::StartCallLog();
        {
            CFile file;
            EXPECT_TRUE(file.Open(path.c_str(), c.flags));
        }
        wt::StopCallLog();
        const auto log = wt::CallLog();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0], "CreateFileW(path=" + folder.Root().string() + "/log.txt " + c.expected + ")");
        EXPECT_EQ(log[1].rfind("CloseHandle(", 0), 0u);
    }
}

TEST_F(FileSeams, FlagsWinportCannotHonourFailLoudly) {
    const std::wstring path = folder.Path(L"flags.txt");
    const struct {
        const char* name;
        std::function<HANDLE()> create;
    } cases[] = {
        {"overlapped", [&] { return Open(path, CREATE_ALWAYS, FILE_FLAG_OVERLAPPED); }},
        {"POSIX semantics", [&] { return Open(path, CREATE_ALWAYS, FILE_FLAG_POSIX_SEMANTICS); }},
        {"template file", [&] {
             return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, reinterpret_cast<HANDLE>(8));
         }},
        {"unknown access", [&] { return CreateFileW(path.c_str(), 0x00800000u, 0, nullptr, CREATE_ALWAYS, 0, nullptr); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.create(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
        EXPECT_FALSE(folder.Exists(L"flags.txt"));
    }
    const HANDLE file = Open(folder.Path(L"io.txt"), CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    OVERLAPPED overlapped = {};
    DWORD count = 0;
    char byte = 0;
    EXPECT_FALSE(ReadFile(file, &byte, 1, &count, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(WriteFile(file, &byte, 1, &count, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_TRUE(CloseHandle(file));
}

}  // namespace
