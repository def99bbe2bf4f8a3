// Registry editor files: the text cw32 writes, files written by hand the way the Windows
// registry editor writes them, and export then import giving back the same tree.
#include "regfile/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace cw32::regfile {
namespace {

std::vector<BYTE> Units(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t));
}

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
    std::vector<BYTE> out;
    for (int v : values) out.push_back(static_cast<BYTE>(v));
    return out;
}

// A key of the test's own below HKEY_CURRENT_USER\Software, removed again afterwards.
class RegFile : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = L"HKEY_CURRENT_USER\\Software\\cw32-regfile-" + std::to_wstring(GetCurrentProcessId());
        Remove();
    }
    void TearDown() override { Remove(); }
    void Remove() {
        std::wstring where;
        ASSERT_EQ(ApplySections({Section{root_, true}}, where), ERROR_SUCCESS) << "cannot clean up " << where.size();
    }
    std::wstring root_;
};

bool SameSections(const std::vector<Section>& a, const std::vector<Section>& b) {
    const auto same_value = [](const Value& x, const Value& y) {
        return x.name == y.name && x.type == y.type && x.data == y.data;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const Section& x, const Section& y) {
        return x.path == y.path && std::equal(x.values.begin(), x.values.end(), y.values.begin(), y.values.end(),
                                              same_value);
    });
}

TEST_F(RegFile, WritesTheEditorsFormat) {
    Section section;
    section.path = L"HKEY_CURRENT_USER\\Software\\Example";
    section.values = {
        Value{L"", REG_SZ, Units(L"default")},
        Value{L"Quote\"Back\\slash", REG_SZ, Units(L"C:\\Dir \"x\"")},
        Value{L"Count", REG_DWORD, Bytes({0x2a, 0, 0, 0})},
        Value{L"Expand", REG_EXPAND_SZ, Units(L"%A%")},
        Value{L"Multi", REG_MULTI_SZ, Units(std::wstring(L"a\0b\0", 4))},
        Value{L"Empty", REG_BINARY, {}},
        Value{L"Big", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})},
    };
    EXPECT_EQ(WriteText({section, Section{L"HKEY_CURRENT_USER\\Software\\Old", true}}),
              L"Windows Registry Editor Version 5.00\r\n"
              L"\r\n[HKEY_CURRENT_USER\\Software\\Example]\r\n"
              L"@=\"default\"\r\n"
              L"\"Quote\\\"Back\\\\slash\"=\"C:\\\\Dir \\\"x\\\"\"\r\n"
              L"\"Count\"=dword:0000002a\r\n"
              L"\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
              L"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
              L"\"Empty\"=hex:\r\n"
              L"\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
              L"\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n");
    const std::string bytes = EncodeFile(L"Wi");
    EXPECT_EQ(bytes, std::string("\xFF\xFE" "W\0i\0", 6));
}

TEST_F(RegFile, ExportThenImportGivesBackTheSameTree) {
    std::wstring where;
    Section top, child, grandchild;
    top.path = root_;
    top.values = {
        Value{L"", REG_SZ, Units(L"top default")},
        Value{L"Gr\u00FC\u00DFe \u20AC", REG_SZ, Units(L"non-ASCII \u00E9")},
        Value{L"lines", REG_SZ, Units(L"one\r\ntwo")},
        Value{L"expand", REG_EXPAND_SZ, Units(L"%PATH%;x")},
        Value{L"multi", REG_MULTI_SZ, Units(std::wstring(L"a\0\0b\0", 5))},
        Value{L"dword", REG_DWORD, Bytes({0xff, 0xff, 0xff, 0xff})},
        Value{L"qword", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        Value{L"odd", 0x1234, Bytes({9, 8, 7})},
        Value{L"empty", REG_BINARY, {}},
    };
    std::vector<BYTE> long_binary(300);
    for (std::size_t i = 0; i < long_binary.size(); ++i) long_binary[i] = static_cast<BYTE>(i);
    child.path = root_ + L"\\Child Key";
    child.values = {Value{L"long", REG_BINARY, long_binary}};
    grandchild.path = root_ + L"\\Child Key\\Leaf";
    ASSERT_EQ(ApplySections({top, child, grandchild}, where), ERROR_SUCCESS) << where.size();

    std::vector<Section> exported;
    ASSERT_EQ(ReadTree(root_, exported), ERROR_SUCCESS);
    ASSERT_EQ(exported.size(), 3u);
    const std::string file = EncodeFile(WriteText(exported));
    Remove();

    std::wstring text, error;
    std::vector<Section> parsed;
    ASSERT_TRUE(DecodeFile(file, text, error)) << error.size();
    ASSERT_TRUE(ParseText(text, parsed, error)) << std::string(error.begin(), error.end());
    ASSERT_EQ(ApplySections(parsed, where), ERROR_SUCCESS);
    std::vector<Section> imported;
    ASSERT_EQ(ReadTree(root_, imported), ERROR_SUCCESS);
    EXPECT_TRUE(SameSections(exported, imported));
    EXPECT_TRUE(SameSections(parsed, imported));
}

TEST_F(RegFile, ImportsAFileWrittenByTheWindowsEditor) {
    // As the editor writes it: UTF-16LE with a byte-order mark, CR LF, hex data wrapped at 80
    // columns with a backslash and two blanks.
    const std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n"
        L"\r\n"
        L"[" + root_ + L"\\Installer]\r\n"
        L"@=\"Product \\\"Quoted\\\"\"\r\n"
        L"\"JREPath\"=\"C:\\\\Program Files\\\\Java\\\\jre\\\\\"\r\n"
        L"\"Version\"=dword:00000007\r\n"
        L"\"Home\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
        L"  00,25,00,5c,00,4a,00,00,00\r\n"
        L"\"List\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00\r\n"
        L"\"Blob\"=hex:de,ad,be,ef\r\n"
        L"; a comment line\r\n"
        L"\r\n"
        L"[" + root_ + L"\\Installer\\Empty]\r\n"
        L"\r\n";
    for (bool utf8 : {false, true}) {
        std::string bytes;
        if (utf8) {
            bytes = "\xEF\xBB\xBF";
            for (wchar_t ch : text) bytes += static_cast<char>(ch);  // the text above is ASCII
        } else {
            bytes = EncodeFile(text);
        }
        std::wstring decoded, error, where;
        std::vector<Section> sections;
        ASSERT_TRUE(DecodeFile(bytes, decoded, error));
        ASSERT_TRUE(ParseText(decoded, sections, error)) << std::string(error.begin(), error.end());
        ASSERT_EQ(ApplySections(sections, where), ERROR_SUCCESS);

        std::vector<Section> tree;
        ASSERT_EQ(ReadTree(root_ + L"\\Installer", tree), ERROR_SUCCESS);
        ASSERT_EQ(tree.size(), 2u);
        EXPECT_EQ(tree[1].path, root_ + L"\\Installer\\Empty");
        std::vector<Value> expected = {
            Value{L"", REG_SZ, Units(L"Product \"Quoted\"")},
            Value{L"JREPath", REG_SZ, Units(L"C:\\Program Files\\Java\\jre\\")},
            Value{L"Version", REG_DWORD, Bytes({7, 0, 0, 0})},
            Value{L"Home", REG_EXPAND_SZ, Units(L"%SystemRoot%\\J")},
            Value{L"List", REG_MULTI_SZ, Units(std::wstring(L"one\0two\0", 8))},
            Value{L"Blob", REG_BINARY, Bytes({0xde, 0xad, 0xbe, 0xef})},
        };
        for (const Value& want : expected) {
            SCOPED_TRACE(std::string(want.name.begin(), want.name.end()));
            const auto got = std::find_if(tree[0].values.begin(), tree[0].values.end(),
                                          [&](const Value& v) { return v.name == want.name; });
            ASSERT_NE(got, tree[0].values.end());
            EXPECT_EQ(got->type, want.type);
            EXPECT_EQ(got->data, want.data);
        }
        Remove();
    }
}

TEST_F(RegFile, DeletionLinesRemoveValuesAndTrees) {
    std::wstring where;
    const Section make{root_ + L"\\a\\b", false,
                       {Value{L"keep", REG_DWORD, Bytes({1, 0, 0, 0})}, Value{L"drop", REG_DWORD, Bytes({2, 0, 0, 0})}}};
    ASSERT_EQ(ApplySections({make}, where), ERROR_SUCCESS);
    std::vector<Section> sections;
    std::wstring error;
    ASSERT_TRUE(ParseText(L"Windows Registry Editor Version 5.00\n[" + root_ + L"\\a\\b]\n\"drop\"=-\n\"absent\"=-\n",
                          sections, error));
    ASSERT_EQ(ApplySections(sections, where), ERROR_SUCCESS);
    std::vector<Section> tree;
    ASSERT_EQ(ReadTree(root_ + L"\\a\\b", tree), ERROR_SUCCESS);
    ASSERT_EQ(tree[0].values.size(), 1u);
    EXPECT_EQ(tree[0].values[0].name, L"keep");
    ASSERT_TRUE(ParseText(L"Windows Registry Editor Version 5.00\n[-" + root_ + L"\\a]\n", sections, error));
    ASSERT_EQ(ApplySections(sections, where), ERROR_SUCCESS);
    EXPECT_EQ(ReadTree(root_ + L"\\a", tree), ERROR_FILE_NOT_FOUND);
}

TEST(RegFileParse, ReportsTheLineOfWhatItCannotRead) {
    struct Case {
        const wchar_t* text;
        const wchar_t* error_start;
    } cases[] = {
        {L"", L"empty file"},
        {L"REGEDIT4\r\n", L"line 1: not a registry file"},
        {L"Windows Registry Editor Version 5.00\r\n\"v\"=\"x\"\r\n", L"line 2: a value before"},
        {L"Windows Registry Editor Version 5.00\r\n[HKLM\\Software]\r\n", L"line 2: unknown hive"},
        {L"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex:1,02\r\n", L"line 3: hex data"},
        {L"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=\"open\r\n", L"line 3: unterminated"},
        {L"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=word:1\r\n", L"line 3: a string"},
        {L"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\" \"x\"\r\n", L"line 3: '='"},
        {L"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\x\r\n", L"line 2: ']' missing"},
    };
    for (const auto& c : cases) {
        std::vector<Section> sections;
        std::wstring error;
        EXPECT_FALSE(ParseText(c.text, sections, error)) << std::wstring(c.error_start).size();
        EXPECT_EQ(error.rfind(c.error_start, 0), 0u) << std::string(error.begin(), error.end());
    }
    std::wstring text, error;
    EXPECT_FALSE(DecodeFile(std::string("\xFE\xFF\0W", 4), text, error));
    EXPECT_FALSE(DecodeFile("\xC3(", text, error));
}

}  // namespace
}  // namespace cw32::regfile
