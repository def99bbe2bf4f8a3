// CFile on real temporary files: open flags and share modes, reading, writing and seeking,
// closing, and the CFileException* thrown for each failure.
#include <common-win32/common-win32.h>

#include "classlib/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

namespace {

using cw32test::TempFolder;

struct Thrown { bool thrown = false; int cause = CFileException::none; LONG os_error = 0; std::wstring file; };

// Runs `action` and reports the CFileException* it threw, if any (and frees it).
Thrown Catch(const std::function<void()>& action) {
    Thrown result;
    try {
        action();
    } catch (CFileException* e) {
        result = {true, e->m_cause, e->m_lOsError, std::wstring(e->m_strFileName.GetString())};
        e->Delete();
    }
    return result;
}

TEST(CFileOpen, FlagsChooseAccessCreationAndTruncation) {
    using E = CFileException;
    const UINT create = CFile::modeCreate | CFile::modeWrite, keep = create | CFile::modeNoTruncate;
    // after: the contents once "new" has been written (when writable)
    const struct { const char* name; UINT flags; bool exists; bool opens; LONG os_error; int cause;
        const char* after; } cases[] = {
        {"read existing", CFile::modeRead, true, true, 0, E::none, "old content"},
        {"read missing", CFile::modeRead, false, false, ERROR_FILE_NOT_FOUND, E::fileNotFound, nullptr},
        {"create truncates", create, true, true, 0, E::none, "new"},
        {"create new", create, false, true, 0, E::none, "new"},
        {"no truncate keeps", keep, true, true, 0, E::none, "new content"},
        {"no truncate creates", keep, false, true, 0, E::none, "new"},
        {"no truncate alone opens only", CFile::modeNoTruncate | CFile::modeWrite, false, false, ERROR_FILE_NOT_FOUND,
         E::fileNotFound, nullptr},
        {"read write", CFile::modeReadWrite | CFile::shareDenyNone, true, true, 0, E::none, "new content"},
        {"text and binary types", CFile::modeRead | CFile::typeText | CFile::typeBinary, true, true, 0, E::none,
         "old content"},
        {"no inherit", CFile::modeWrite | CFile::modeNoInherit, true, true, 0, E::none, "new content"},
        {"access 3", 3, true, false, ERROR_INVALID_PARAMETER, E::genericException, nullptr},
        {"share 0x50", CFile::modeRead | 0x50, true, false, ERROR_INVALID_PARAMETER, E::genericException, nullptr},
        {"unknown flag", CFile::modeRead | 0x100, true, false, ERROR_INVALID_PARAMETER, E::genericException, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::wstring path = folder.Path(L"file.txt");
        if (c.exists) folder.Write(L"file.txt", "old content");
        CFile file;
        CFileException error;
        SetLastError(0);
        const BOOL opened = file.Open(path.c_str(), c.flags, &error);
        ASSERT_EQ(opened != FALSE, c.opens);
        if (!opened) {
            EXPECT_EQ(file.m_hFile, CFile::hFileNull);
            EXPECT_EQ(error.m_lOsError, c.os_error);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.os_error));
            EXPECT_EQ(error.m_cause, c.cause);
            EXPECT_EQ(std::wstring(error.m_strFileName.GetString()), path);
            continue;
        }
        EXPECT_NE(file.m_hFile, CFile::hFileNull);
        EXPECT_TRUE(file.m_bCloseOnDelete);
        EXPECT_EQ(std::wstring(file.GetFilePath().GetString()), path);
        EXPECT_EQ(std::wstring(file.GetFileName().GetString()), L"file.txt");
        if ((c.flags & 3) != CFile::modeRead) file.Write("new", 3);
        file.Close();
        EXPECT_EQ(folder.Read(L"file.txt"), c.after);
    }
}

TEST(CFileOpen, MissingFolderIsABadPathAndNoPathIsRefused) {
    TempFolder folder;
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(folder.Path(L"no-such-folder\\file.txt").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_lOsError, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    EXPECT_FALSE(file.Open(nullptr, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    EXPECT_FALSE(file.Open(L"", CFile::modeRead));  // without an exception object
}

TEST(CFileOpen, ShareModesDecideWhetherASecondOpenSucceeds) {
    const struct { UINT first; UINT second; bool second_opens; } cases[] = {
        {CFile::modeRead | CFile::shareExclusive, CFile::modeRead | CFile::shareDenyNone, false},
        {CFile::modeRead, CFile::modeRead | CFile::shareDenyNone, false},  // compatibility mode is exclusive
        {CFile::modeRead | CFile::shareDenyWrite, CFile::modeRead | CFile::shareDenyNone, true},
        {CFile::modeRead | CFile::shareDenyWrite, CFile::modeWrite | CFile::shareDenyNone, false},
        {CFile::modeRead | CFile::shareDenyNone, CFile::modeRead | CFile::shareDenyWrite, true},
        {CFile::modeWrite | CFile::shareDenyNone, CFile::modeRead | CFile::shareDenyWrite, false},
        {CFile::modeRead | CFile::shareDenyRead, CFile::modeRead | CFile::shareDenyNone, false},
        {CFile::modeRead | CFile::shareDenyRead, CFile::modeWrite | CFile::shareDenyNone, true},
        {CFile::modeReadWrite | CFile::shareDenyNone, CFile::modeReadWrite | CFile::shareDenyNone, true},
    };
    TempFolder folder;
    folder.Write(L"shared.txt", "data");
    const std::wstring path = folder.Path(L"shared.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.first << " then " << c.second);
        CFile first;
        ASSERT_TRUE(first.Open(path.c_str(), c.first));
        CFile second;
        CFileException error;
        EXPECT_EQ(second.Open(path.c_str(), c.second, &error) != FALSE, c.second_opens);
        if (!c.second_opens) {
            EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
            EXPECT_EQ(error.m_lOsError, ERROR_SHARING_VIOLATION);
        }
    }
}

TEST(CFileIo, ReadWriteSeekAndLength) {
    TempFolder folder;
    CFile file(folder.Path(L"io.bin").c_str(), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("0123456789", 10);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.GetPosition(), 10u);
    file.SeekToBegin();
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(file.Seek(2, CFile::current), 6u);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 4u);  // a short count at the end of the file
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(file.Read(buffer, 0), 0u);
    EXPECT_EQ(file.Seek(-3, CFile::end), 7u);
    EXPECT_EQ(file.SeekToEnd(), 10u);
    file.SetLength(5);
    EXPECT_EQ(file.GetLength(), 5u);
    EXPECT_EQ(file.GetPosition(), 5u);
    EXPECT_EQ(file.Seek(8, CFile::begin), 8u);  // beyond the end is allowed
    file.Write("x", 1);
    file.Write("ignored", 0);
    file.Flush();
    file.Close();
    EXPECT_EQ(folder.Read(L"io.bin"), std::string("01234\0\0\0x", 9));
}

TEST(CFileIo, OneReadReturnsAWholeLargeFile) {
    TempFolder folder;
    std::string data(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    folder.Write(L"large.bin", data);
    CFile file(folder.Path(L"large.bin").c_str(), CFile::modeRead);
    std::string read(data.size() + 10, '\0');
    EXPECT_EQ(file.Read(&read[0], static_cast<UINT>(read.size())), data.size());
    read.resize(data.size());
    EXPECT_EQ(read, data);
}

TEST(CFileIo, FailuresThrowCFileExceptionPointersAndLeaveTheFileAlone) {
    TempFolder folder;
    folder.Write(L"data.txt", "data");
    const std::wstring path = folder.Path(L"data.txt");
    char buffer[4];
    using E = CFileException;
    const UINT closed = 0xFFFF;  // leave the file closed
    const struct { const char* name; UINT flags; std::function<void(CFile&)> use; int cause; LONG os_error; } cases[] = {
        {"write to a file opened for reading", CFile::modeRead, [](CFile& f) { f.Write("x", 1); }, E::accessDenied,
         ERROR_ACCESS_DENIED},
        {"read from a file opened for writing", CFile::modeWrite, [&](CFile& f) { f.Read(buffer, 4); }, E::accessDenied,
         ERROR_ACCESS_DENIED},
        {"seek before the start", CFile::modeRead, [](CFile& f) { f.Seek(-1, CFile::begin); }, E::badSeek,
         ERROR_NEGATIVE_SEEK},
        {"read closed", closed, [&](CFile& f) { f.Read(buffer, 4); }, E::invalidFile, ERROR_INVALID_HANDLE},
        {"write closed", closed, [](CFile& f) { f.Write("x", 1); }, E::invalidFile, ERROR_INVALID_HANDLE},
        {"seek closed", closed, [](CFile& f) { f.Seek(0, CFile::begin); }, E::invalidFile, ERROR_INVALID_HANDLE},
        {"length closed", closed, [](CFile& f) { f.GetLength(); }, E::invalidFile, ERROR_INVALID_HANDLE},
        {"position closed", closed, [](CFile& f) { f.GetPosition(); }, E::invalidFile, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFile file;
        if (c.flags != closed) {
            ASSERT_TRUE(file.Open(path.c_str(), c.flags | CFile::shareDenyNone));
        }
        const Thrown thrown = Catch([&] { c.use(file); });
        ASSERT_TRUE(thrown.thrown);
        EXPECT_EQ(thrown.cause, c.cause);
        EXPECT_EQ(thrown.os_error, c.os_error);
        if (c.flags != closed) {
            EXPECT_EQ(thrown.file, path);
        }
    }
    CFile file(path.c_str(), CFile::modeRead);  // SetLength of a file opened for reading
    const Thrown thrown = Catch([&] { file.SetLength(0); });
    EXPECT_TRUE(thrown.thrown);
#if !defined(CW32_TESTS_UNDER_WINE)  // Wine refuses with ERROR_INVALID_PARAMETER instead
    EXPECT_EQ(thrown.cause, CFileException::accessDenied);
    EXPECT_EQ(thrown.os_error, ERROR_ACCESS_DENIED);
#endif
    file.Close();
    EXPECT_EQ(folder.Read(L"data.txt"), "data");
}

TEST(CFileLifetime, ThrowingConstructorsReportTheCauseAndTheFile) {
    static_assert(std::is_base_of_v<CException, CFileException>, "caught as the base class too");
    TempFolder folder;
    const std::wstring missing = folder.Path(L"missing.txt");
    const std::function<void()> constructors[] = {[&] { CFile file(missing.c_str(), CFile::modeRead); },
                                                  [&] { CStdioFile file(missing.c_str(), CFile::modeRead); }};
    for (const auto& construct : constructors) {
        const Thrown thrown = Catch(construct);
        ASSERT_TRUE(thrown.thrown);
        EXPECT_EQ(thrown.cause, CFileException::fileNotFound);
        EXPECT_EQ(thrown.os_error, ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(thrown.file, missing);
    }
}

TEST(CFileLifetime, DestructorCloseAndAbortReleaseTheFile) {
    TempFolder folder;
    folder.Write(L"locked.txt", "x");
    const std::wstring path = folder.Path(L"locked.txt");
    const UINT exclusive = CFile::modeRead | CFile::shareExclusive;
    const struct { const char* name; std::function<void(std::unique_ptr<CFile>&)> release; } ways[] = {
        {"destructor", [](std::unique_ptr<CFile>& f) { f.reset(); }},
        {"Close", [](std::unique_ptr<CFile>& f) { f->Close(); }},
        {"Abort", [](std::unique_ptr<CFile>& f) { f->Abort(); }},
        {"second Open", [&](std::unique_ptr<CFile>& f) { f->Open(folder.Path(L"other.txt").c_str(), CFile::modeCreate | CFile::modeWrite); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        auto holder = std::make_unique<CFile>(path.c_str(), exclusive);
        CFile probe;
        ASSERT_FALSE(probe.Open(path.c_str(), exclusive));  // the first open holds the file
        way.release(holder);
        EXPECT_TRUE(probe.Open(path.c_str(), exclusive));
        if (holder && way.name != std::string("second Open")) {
            EXPECT_EQ(holder->m_hFile, CFile::hFileNull);
            EXPECT_TRUE(holder->GetFilePath().IsEmpty());
        }
    }
}

TEST(CFileLifetime, CloseThrowsWhenTheSystemRefusesButLeavesTheObjectClosedAndCloseTwiceIsHarmless) {
    CFile file(reinterpret_cast<HANDLE>(0x7FFF0000));  // a handle value nobody was given
    file.SetFilePath(L"bogus");
    const Thrown thrown = Catch([&] { file.Close(); });
    ASSERT_TRUE(thrown.thrown);
    EXPECT_EQ(thrown.cause, CFileException::invalidFile);
    EXPECT_EQ(thrown.os_error, ERROR_INVALID_HANDLE);
    EXPECT_EQ(thrown.file, L"bogus");
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    EXPECT_NO_THROW(file.Close());
    CFile aborted(reinterpret_cast<HANDLE>(0x7FFF0000));
    EXPECT_NO_THROW(aborted.Abort());
    EXPECT_EQ(aborted.m_hFile, CFile::hFileNull);
    EXPECT_NO_THROW(aborted.Abort());
    EXPECT_NO_THROW(aborted.Flush());  // nothing to flush on a closed file
}

TEST(CFileLifetime, AWrappedHandleIsNotClosedByTheWrapper) {
    TempFolder folder;
    CFile owner(folder.Path(L"wrapped.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
    {
        CFile wrapper(owner.m_hFile);
        EXPECT_FALSE(wrapper.m_bCloseOnDelete);
        EXPECT_EQ(static_cast<HANDLE>(wrapper), owner.m_hFile);
        wrapper.Write("ab", 2);
    }
    owner.Write("cd", 2);
    owner.Close();
    EXPECT_EQ(folder.Read(L"wrapped.txt"), "abcd");
}

TEST(CFileExceptionCauses, OsErrorsMapToCauses) {
    using E = CFileException;
    const struct { LONG os_error; int cause; } cases[] = {
        {NO_ERROR, E::none},                           {ERROR_FILE_NOT_FOUND, E::fileNotFound},
        {ERROR_PATH_NOT_FOUND, E::badPath},            {ERROR_INVALID_NAME, E::badPath},
        {ERROR_TOO_MANY_OPEN_FILES, E::tooManyOpenFiles}, {ERROR_ACCESS_DENIED, E::accessDenied},
        {ERROR_INVALID_HANDLE, E::invalidFile},        {ERROR_CURRENT_DIRECTORY, E::removeCurrentDir},
        {ERROR_NEGATIVE_SEEK, E::badSeek},             {ERROR_WRITE_FAULT, E::hardIO},
        {ERROR_SHARING_VIOLATION, E::sharingViolation}, {ERROR_LOCK_VIOLATION, E::lockViolation},
        {ERROR_DISK_FULL, E::diskFull},                {ERROR_HANDLE_EOF, E::endOfFile},
        {ERROR_INVALID_PARAMETER, E::genericException}, {-1, E::genericException},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.os_error);
        EXPECT_EQ(CFileException::OsErrorToException(c.os_error), c.cause);
        const Thrown thrown = Catch([&] { CFileException::ThrowOsError(c.os_error, L"name"); });
        EXPECT_EQ(thrown.cause, c.cause);
        EXPECT_EQ(thrown.os_error, c.os_error);
        EXPECT_EQ(thrown.file, L"name");
    }
    const CFileException defaults;
    EXPECT_EQ(defaults.m_cause, CFileException::none);
    EXPECT_EQ(defaults.m_lOsError, -1);
    EXPECT_TRUE(defaults.m_strFileName.IsEmpty());
}

// The flag values are the class library's: callers pass them as numbers.
static_assert(CFile::modeRead == 0x0000 && CFile::modeWrite == 0x0001 && CFile::modeReadWrite == 0x0002, "access");
static_assert(CFile::shareExclusive == 0x0010 && CFile::shareDenyWrite == 0x0020 && CFile::shareDenyRead == 0x0030 &&
                  CFile::shareDenyNone == 0x0040 && CFile::modeNoInherit == 0x0080, "share");
static_assert(CFile::modeCreate == 0x1000 && CFile::modeNoTruncate == 0x2000 && CFile::typeText == 0x4000 &&
                  CFile::typeBinary == 0x8000, "creation and type");

TEST(CFileFlags, NullHandleIsTheInvalidHandleValue) { EXPECT_EQ(CFile::hFileNull, INVALID_HANDLE_VALUE); }

}  // namespace
