// The Win32 file calls under CFile, checked directly: the results and error codes here are the
// ones Windows gives, and this suite also runs under Wine to keep winport honest about them.
#include <common-win32/common-win32.h>

#include "classlib/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using cw32test::TempFolder;

// Owns a handle for the length of a test.
struct Handle {
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { if (valid()) CloseHandle(h_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    const HANDLE h_;
};

HANDLE Create(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL,
              DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

// The last error of a failed create, or ERROR_SUCCESS when it opened (the handle is closed again).
DWORD CreateError(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    const HANDLE handle = Create(path, access, disposition, flags);
    const DWORD error = GetLastError();
    if (handle == INVALID_HANDLE_VALUE) return error;
    CloseHandle(handle);
    return ERROR_SUCCESS;
}

// The last error right after a call that should have failed; 0xFFFFFFFF when it succeeded.
DWORD FailureOf(BOOL ok) { return ok ? 0xFFFFFFFFu : GetLastError(); }

TEST(FileApiCreate, DispositionsAndTheirLastErrors) {
    // after: contents after opening (and writing "new" when writable)
    const struct { const char* name; DWORD disposition; DWORD access; bool exists; bool opens; DWORD last_error;
        const char* after; } cases[] = {
        {"create always, existing", CREATE_ALWAYS, GENERIC_WRITE, true, true, ERROR_ALREADY_EXISTS, "new"},
        {"create always, new", CREATE_ALWAYS, GENERIC_WRITE, false, true, ERROR_SUCCESS, "new"},
        {"open always, existing", OPEN_ALWAYS, GENERIC_WRITE, true, true, ERROR_ALREADY_EXISTS, "new"},
        {"open always, new", OPEN_ALWAYS, GENERIC_WRITE, false, true, ERROR_SUCCESS, "new"},
        {"create new, existing", CREATE_NEW, GENERIC_WRITE, true, false, ERROR_FILE_EXISTS, "old"},
        {"create new, new", CREATE_NEW, GENERIC_WRITE, false, true, ERROR_SUCCESS, "new"},
        {"open existing, missing", OPEN_EXISTING, GENERIC_READ, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"truncate existing", TRUNCATE_EXISTING, GENERIC_WRITE, true, true, ERROR_SUCCESS, "new"},
        {"truncate missing", TRUNCATE_EXISTING, GENERIC_WRITE, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"bad disposition", 9, GENERIC_READ, true, false, ERROR_INVALID_PARAMETER, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        if (c.exists) folder.Write(L"f.txt", "old");
        {
            SetLastError(12345);
            Handle file(Create(folder.Path(L"f.txt"), c.access, c.disposition));
            const DWORD error = GetLastError();
            EXPECT_EQ(file.valid(), c.opens);
            EXPECT_EQ(error, c.last_error);
            DWORD written = 0;
            if (file.valid()) {
                EXPECT_TRUE(WriteFile(file.get(), "new", 3, &written, nullptr));
            }
        }
        if (c.after) {
            EXPECT_EQ(folder.Read(L"f.txt"), c.after);
        } else {
            EXPECT_FALSE(folder.Exists(L"f.txt"));
        }
    }
}

TEST(FileApiCreate, PathsFoldersDirectoriesAndDeleteOnClose) {
    TempFolder folder;
    folder.Write(L"plain.txt", "x");
    std::wstring forward = folder.Path(L"plain.txt");
    for (wchar_t& c : forward)
        if (c == L'\\') c = L'/';
    EXPECT_EQ(CreateError(forward, GENERIC_READ, OPEN_EXISTING), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(CreateError(folder.Path(L"missing\\f.txt"), GENERIC_READ, OPEN_EXISTING),
              static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CreateError(folder.Path(L"missing\\f.txt"), GENERIC_WRITE, CREATE_ALWAYS),
              static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    // A directory opens only with backup semantics.
    const std::wstring root = folder.Root().wstring();
    EXPECT_EQ(CreateError(root, GENERIC_READ, OPEN_EXISTING), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CreateError(root, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS),
              static_cast<DWORD>(ERROR_SUCCESS));
    {
        Handle file(Create(folder.Path(L"gone.tmp"), GENERIC_WRITE, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE,
                           FILE_SHARE_READ | FILE_SHARE_DELETE));
        ASSERT_TRUE(file.valid());
        EXPECT_TRUE(folder.Exists(L"gone.tmp"));
    }
    EXPECT_FALSE(folder.Exists(L"gone.tmp"));
}

// Access refusals through CFile are checked in test_cfile.cpp; these are the ones it cannot see.
TEST(FileApiIo, RefusedReadCountsNothingAndFlushingNeedsWriteAccess) {
    TempFolder folder;
    folder.Write(L"io.txt", "abc");
    char buffer[8];
    DWORD count = 99;
    {
        Handle writer(Create(folder.Path(L"io.txt"), GENERIC_WRITE, OPEN_EXISTING));
        EXPECT_EQ(FailureOf(ReadFile(writer.get(), buffer, 1, &count, nullptr)), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(count, 0u);
    }
    Handle reader(Create(folder.Path(L"io.txt"), GENERIC_READ, OPEN_EXISTING));
    EXPECT_EQ(FailureOf(FlushFileBuffers(reader.get())), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(FileApiPointer, SetFilePointerLowAndHighParts) {
    TempFolder folder;
    Handle file(Create(folder.Path(L"ptr.bin"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS));
    ASSERT_TRUE(file.valid());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), "0123456789", 10, &written, nullptr));

    EXPECT_EQ(SetFilePointer(file.get(), 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_EQ(SetFilePointer(file.get(), -1, nullptr, FILE_CURRENT), 3u);
    EXPECT_EQ(SetFilePointer(file.get(), -2, nullptr, FILE_END), 8u);
    const DWORD refused = SetFilePointer(file.get(), -20, nullptr, FILE_CURRENT);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(refused, INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 8u);  // the refused move moved nothing
    LONG high = 1;  // 4 GiB + 2: a position past 32 bits; nothing is written there
    EXPECT_EQ(SetFilePointer(file.get(), 2, &high, FILE_BEGIN), 2u);
    EXPECT_EQ(high, 1);
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER position;
    EXPECT_TRUE(SetFilePointerEx(file.get(), zero, &position, FILE_CURRENT));
    EXPECT_EQ(position.QuadPart, (1LL << 32) + 2);
    LARGE_INTEGER back;
    back.QuadPart = 5;
    EXPECT_TRUE(SetFilePointerEx(file.get(), back, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file.get()));
    DWORD size_high = 7;
    EXPECT_EQ(GetFileSize(file.get(), &size_high), 5u);
    EXPECT_EQ(size_high, 0u);
}

}  // namespace
