// CTextFile: UTF-8 bytes without a byte order mark, CR LF line ends, and its open/closed rules.
#include "scratch.h"

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

namespace {

using cw32test::ScratchDir;

constexpr DWORD kCreateWrite = CFile::modeCreate | CFile::modeWrite;

TEST(TextFile, WritesUtf8WithCrLfAndNothingInOtherEncodings) {
    struct Case {
        const char* name;
        const wchar_t* text;
        bool line;
        std::string bytes;
        DWORD encoding = 1;
    } cases[] = {
        {"a plain line", L"abc", true, "abc\r\n"},
        {"an accented letter", L"\u00e9", true, "\xC3\xA9\r\n"},
        {"text without a line end", L"x\u20ac", false, "x\xE2\x82\xAC"},
        {"an empty text", L"", false, ""},
        {"a null line", nullptr, true, "\r\n"},
        {"encoding 0 writes no line", L"abc", true, "", 0},
        {"encoding 2 writes no text", L"abc", false, "", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        {
            CTextFile file(dir.W(L"out.txt").c_str(), kCreateWrite, c.encoding);
            EXPECT_EQ(c.line ? file.WriteLine(c.text) : file.Write(c.text), c.encoding == 1);
        }
        EXPECT_TRUE(dir.Exists(L"out.txt"));
        EXPECT_EQ(dir.ReadFile(L"out.txt"), c.bytes);
    }
}

TEST(TextFile, ClosedObjectsRefuseEverythingAndCloseOnlyOnce) {
    ScratchDir dir;
    CTextFile unopened;
    EXPECT_FALSE(unopened.Write(L"x"));
    EXPECT_FALSE(unopened.WriteLine(L"x"));
    EXPECT_FALSE(unopened.SeekToEnd());
    EXPECT_FALSE(unopened.Close());
    EXPECT_FALSE(unopened.Open(nullptr, kCreateWrite));

    CTextFile missing(dir.W(L"no-folder\\out.txt").c_str(), kCreateWrite, 1);  // fails silently
    EXPECT_FALSE(missing.WriteLine(L"x"));
    EXPECT_FALSE(missing.Open(dir.W(L"no-folder\\out.txt").c_str(), kCreateWrite));

    CTextFile file;  // closing twice: true, then false
    ASSERT_TRUE(file.Open(dir.W(L"out.txt").c_str(), kCreateWrite));
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.Close());
}

TEST(TextFile, SeekToEndAppendsAndCreateTruncates) {
    ScratchDir dir;
    dir.WriteFile(L"log.txt", "first\r\n");
    {
        CTextFile file(dir.W(L"log.txt").c_str(), kCreateWrite | CFile::modeNoTruncate, 1);
        EXPECT_TRUE(file.SeekToEnd());
        EXPECT_TRUE(file.WriteLine(L"second"));
    }
    EXPECT_EQ(dir.ReadFile(L"log.txt"), "first\r\nsecond\r\n");

    dir.WriteFile(L"out.txt", "old contents");
    {
        CTextFile file(dir.W(L"out.txt").c_str(), kCreateWrite, 1);
        EXPECT_TRUE(file.Write(L"new"));
    }
    // Closed by the destructor: the file can be deleted at once, also on Windows.
    EXPECT_EQ(dir.ReadFile(L"out.txt"), "new");
    EXPECT_TRUE(DeleteFileW(dir.W(L"out.txt").c_str()));
}

// WriteLine reaches Write through the virtual slot, so a derived writer sees every line.
class RecordingTextFile : public CTextFile {
public:
    bool Write(const wchar_t* text) override {
        written += text;
        return CTextFile::Write(text);
    }
    std::wstring written;  // everything that went through the slot
};

TEST(TextFile, WriteLineGoesThroughTheWriteSlot) {
    ScratchDir dir;
    RecordingTextFile file;
    ASSERT_TRUE(file.Open(dir.W(L"out.txt").c_str(), kCreateWrite));
    EXPECT_TRUE(file.WriteLine(L"abc"));
    EXPECT_EQ(file.written, L"abc\r\n");
}

}  // namespace
