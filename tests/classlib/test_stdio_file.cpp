// CStdioFile on real temporary files: the 8-bit line rules, line ends across the read buffer,
// mixing line reads with binary reads, seeks and writes, and WriteString's text mode.
#include <common-win32/common-win32.h>

#include "classlib/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using cw32test::TempFolder;
using Lines = std::vector<std::wstring>;

// Every line of the file as wide text; read narrow, each line has the same bytes (one a character).
Lines ReadAllLines(const std::wstring& path) {
    CStdioFile file(path.c_str(), CFile::modeRead);
    Lines lines;
    CString line;
    while (file.ReadString(line)) lines.emplace_back(line.GetString(), line.GetLength());
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_FALSE(file.ReadString(line));  // the end stays the end
    file.Close();  // opened exclusively
    CStdioFile narrow_file(path.c_str(), CFile::modeRead);
    CStringA narrow;
    for (const std::wstring& wide : lines) {
        EXPECT_TRUE(narrow_file.ReadString(narrow));
        const auto* bytes = reinterpret_cast<const unsigned char*>(narrow.GetString());
        EXPECT_EQ(std::wstring(bytes, bytes + narrow.GetLength()), wide);
    }
    EXPECT_FALSE(narrow_file.ReadString(narrow));
    return lines;
}

struct LinesCase { const char* name; std::string bytes; Lines expected; };

template <std::size_t n>
void ExpectLines(const LinesCase (&cases)[n]) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        folder.Write(L"lines.txt", c.bytes);
        EXPECT_EQ(ReadAllLines(folder.Path(L"lines.txt")), c.expected);
    }
}

TEST(CStdioFileLines, LineEndsEmptyLinesAndTheLastLine) {
    const LinesCase cases[] = {
        {"CR LF and LF", "a\r\nb\nc", {L"a", L"b", L"c"}},
        {"empty lines count", "a\n\nb\n", {L"a", L"", L"b"}},
        {"one empty line", "\n", {L""}},
        {"empty file", "", {}},
        {"no line end", "abc", {L"abc"}},
        {"lone CR is text", "a\rb\n", {L"a\rb"}},
        {"CR CR LF keeps one CR", "a\r\r\n", {L"a\r"}},
        {"CR at the very end", "x\r", {L"x\r"}},
        {"LF CR", "a\n\rb", {L"a", L"\rb"}},
        {"bytes are characters", "\xE9\xFF\x80\x01\n", {L"\u00E9\u00FF\u0080\u0001"}},
        {"UTF-8 is not decoded", "\xC3\xA9\n", {L"\u00C3\u00A9"}},
        {"NUL is a character", std::string("a\0b\n", 4), {std::wstring(L"a\0b", 3)}},
        {"Ctrl-Z is a character", "a\x1A" "b", {L"a\x1A" L"b"}},
    };
    ExpectLines(cases);
}

TEST(CStdioFileLines, LinesAcrossTheReadBuffer) {
    const std::size_t kBuffer = 64 * 1024;  // CStdioFile's read buffer
    LinesCase many{"many lines in order", "", {}};
    for (int i = 0; i < 20000; ++i) {
        const std::string line = "line " + std::to_string(i) + std::string(i % 37, '.');
        many.bytes += line + (i % 2 ? "\r\n" : "\n");
        many.expected.emplace_back(line.begin(), line.end());
    }
    const LinesCase cases[] = {
        many,
        {"CR last in the buffer, LF first in the next", std::string(kBuffer - 1, 'x') + "\r\ny",
         {std::wstring(kBuffer - 1, L'x'), L"y"}},
        {"LF first in the next buffer", std::string(kBuffer, 'x') + "\nz", {std::wstring(kBuffer, L'x'), L"z"}},
        {"a line over three buffers", std::string(3 * kBuffer + 5, 'q') + "\r\n", {std::wstring(3 * kBuffer + 5, L'q')}},
        {"an empty line after the boundary", std::string(kBuffer - 1, 'x') + "\n\n", {std::wstring(kBuffer - 1, L'x'), L""}},
    };
    ExpectLines(cases);
}

TEST(CStdioFileMixed, PositionReadSeekAndWriteFollowWhatWasRead) {
    TempFolder folder;
    folder.Write(L"mixed.txt", "one\r\ntwo\nthree\n");
    CStdioFile file(folder.Path(L"mixed.txt").c_str(), CFile::modeReadWrite);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(file.GetPosition(), 5u);  // the rest of the file sits in the read buffer
    char bytes[3];
    EXPECT_EQ(file.Read(bytes, 3), 3u);  // binary reads continue where the line ended
    EXPECT_EQ(std::string(bytes, 3), "two");
    EXPECT_EQ(file.GetPosition(), 8u);
    EXPECT_EQ(file.Seek(1, CFile::current), 9u);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(std::wstring(line.GetString()), L"three");
    file.SeekToBegin();
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(std::wstring(line.GetString()), L"one");
    file.Write("TWO", 3);  // goes where the reader stands, not at the end of the read-ahead
    file.Close();
    EXPECT_EQ(folder.Read(L"mixed.txt"), "one\r\nTWO\nthree\n");
}

TEST(CStdioFileWrite, TextModeWritesCrLfAndBytesOfTheSameValue) {
    const struct { const char* name; UINT type; const wchar_t* text; std::string expected; } cases[] = {
        {"text mode", 0, L"a\nb\n", "a\r\nb\r\n"},
        {"typeText", CFile::typeText, L"a\n", "a\r\n"},
        {"typeBinary", CFile::typeBinary, L"a\nb\r\n", "a\nb\r\n"},
        {"Latin-1 characters", CFile::typeBinary, L"\u00E9\u00FF", "\xE9\xFF"},
        {"characters above 0xFF", CFile::typeBinary, L"\u20AC\u0100", "??"},
        {"a surrogate pair is one character", CFile::typeBinary, L"<\U0001F600>", "<?>"},
        {"nothing", 0, L"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        {
            CStdioFile file(folder.Path(L"out.txt").c_str(), CFile::modeCreate | CFile::modeWrite | c.type);
            file.WriteString(c.text);
        }
        EXPECT_EQ(folder.Read(L"out.txt"), c.expected);
    }
    TempFolder folder;
    {
        CStdioFile file(folder.Path(L"narrow.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
        file.WriteString("n\xC3\xA9\n");
        file.WriteString(static_cast<const char*>(nullptr));
        file.WriteString(static_cast<const wchar_t*>(nullptr));
    }
    EXPECT_EQ(folder.Read(L"narrow.txt"), "n\xC3\xA9\r\n");
}

}  // namespace
