// FindStringInFile: counting without overlap, per line, case folding, the first-hit stop and a missing file.
#include "scratch.h"
#include "support/test_host.h"

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using cw32test::ScratchDir;

TEST(FindStringInFile, CountsAndLogsEachHit) {
    struct Case {
        const char* name;
        std::string contents;
        const wchar_t* text;
        int flags;
        int result;
        const wchar_t* text_after;
        bool missing = false;  // no file at all
    } cases[] = {
        {"hits on two lines", "abcabc\nxabc\n", L"abc", 0, 3, L"abc"},
        {"no overlap", "aaaa", L"aa", 0, 2, L"aa"},
        {"case matters by default", "abc\r\n", L"ABC", 0, 0, L"ABC"},
        {"ignoring case lowers the caller's text", "abc\r\n", L"ABC", 1, 1, L"abc"},
        {"lines are lowered too", "ABC Abc\n", L"aBc", 1, 2, L"abc"},
        {"only A to Z have a case", "\xC9t\xC9\n", L"\u00e9T\u00e9", 1, 0, L"\u00e9t\u00e9"},
        {"the first hit ends the search", "abc abc\nabc\n", L"abc", 2, 1, L"abc"},
        {"both flags", "x\nABC abc\n", L"Abc", 3, 1, L"abc"},
        {"no hit across a line end", "ab\ncd\n", L"bc", 0, 0, L"bc"},
        {"8-bit bytes are characters", "caf\xE9 caf\xE9", L"caf\u00e9", 0, 2, L"caf\u00e9"},
        {"an empty file", "", L"abc", 0, 0, L"abc"},
        {"a CR ends a line only before LF", "ab\r\nab\r", L"b\r", 0, 1, L"b\r"},
        {"lines longer than any buffer", "abc" + std::string(3 << 20, 'x') + "abc\nabc", L"abc", 0, 3, L"abc"},
        {"a character above 0xFF matches no 8-bit line", std::string("a\0 a\x01\n", 6), L"a\u0100", 0, 0, L"a\u0100"},
        {"an empty text counts nothing", "abc\n", L"", 0, 0, L""},
        {"a missing file gives -1 and keeps the text", "", L"ABC", 1, -1, L"ABC", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        if (!c.missing) dir.WriteFile(L"data.txt", c.contents);
        const std::wstring path = dir.W(L"data.txt");
        auto host = cw32test::MakeHost();
        CString text = c.text;
        EXPECT_EQ(FindStringInFile(host, path.c_str(), text, c.flags), c.result);
        EXPECT_STREQ(text.GetString(), c.text_after);
        const std::wstring hit = L"FindStringInFile: found string \"" + std::wstring(c.text_after) + L"\" in file \"" + path + L"\"";
        std::vector<std::wstring> expected(static_cast<std::size_t>(c.missing ? 0 : c.result), hit);
        if (c.missing) expected = {L"FindStringInFile: error reading from '" + path + L"'"};
        EXPECT_EQ(host->Unstamped(), expected);
        for (const auto& line : host->lines) EXPECT_TRUE(cw32test::HasStamp(line.text));
    }
}

}  // namespace
