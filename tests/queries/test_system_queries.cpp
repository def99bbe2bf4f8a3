// The system queries' size protocols, each on the system's own answer: the INI reader's
// growing buffer, the product property's second call, the computer name, the missing and
// unversioned files of the file-version query.
#include "files/scratch.h"

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProfileString, ReadsAgainInLargerBuffersWhileTheTextFillsOneUpToTheLimit) {
    cw32test::ScratchDir dir;
    const std::wstring file = dir.W(L"long.ini");
    const std::string value(599, 'x');
    dir.WriteFile(L"long.ini", "[s]\r\nv=" + value + "y\r\nshort=abc\r\n[t]\r\nk=1\r\n");
    struct Case {
        const wchar_t *section, *key;
        unsigned limit, count;
        std::wstring value;
    };
    const std::wstring all = std::wstring(599, L'x') + L"y";
    const Case cases[] = {
        {L"s", L"v", 1000, 600, all},                      // 260, 520, then 780 holds it
        {L"s", L"v", 300, 519, all.substr(0, 519)},        // 520 is past 300: the cut text
        {L"s", L"v", 0, 259, all.substr(0, 259)},          // one read, whatever the limit
        {L"s", L"short", 0, 3, L"abc"},
        {L"s", L"missing", 1000, 7, L"default"},           // the default, counted
        {nullptr, nullptr, 1000, 4, L"s"},                 // "s\0t\0": the first name
    };
    for (const Case& c : cases) {
        CString text(L"stale");
        EXPECT_EQ(myGetPrivateProfileString(c.section, c.key, L"default", text, file.c_str(), c.limit), c.count)
            << c.limit;
        EXPECT_EQ(std::wstring(text.GetString()), c.value) << c.limit;
    }
}

// A product as the installer service records an installation for the machine.
class ProductInfo : public ::testing::Test {
protected:
    static constexpr const wchar_t* kCode = L"{0C0FFEE0-1234-5678-9ABC-DEF012345678}";
    static constexpr const wchar_t* kPublished = L"SOFTWARE\\Classes\\Installer\\Products\\0EEFF0C043218765A9CBED0F21436587";
    static constexpr const wchar_t* kInstalled =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\"
        L"0EEFF0C043218765A9CBED0F21436587";
    void SetUp() override {
        Set(kPublished, L"ProductName", L"Demo");
        Set((std::wstring(kInstalled) + L"\\InstallProperties").c_str(), L"DisplayVersion", L"1.2.3");
        Set((std::wstring(kInstalled) + L"\\InstallProperties").c_str(), L"InstallLocation", long_value_.c_str());
    }
    void TearDown() override {
        CInstallRegistry registry;
        for (const wchar_t* key : {kPublished, kInstalled}) registry.DeleteKey(HKEY_LOCAL_MACHINE, key);
    }
    static void Set(const wchar_t* path, const wchar_t* name, const wchar_t* text) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        const auto size = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
        EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    const std::wstring long_value_ = L"C:\\" + std::wstring(300, L'p') + L"\\";
};

TEST_F(ProductInfo, AnswersFromTheInstallersKeysWithTheSystemsCodes) {
    struct Case {
        const wchar_t *code, *property;
        unsigned result;
        std::wstring value;
    };
    const Case cases[] = {
        {kCode, L"VersionString", ERROR_SUCCESS, L"1.2.3"},
        {kCode, L"ProductName", ERROR_SUCCESS, L"Demo"},
        {kCode, L"InstallLocation", ERROR_SUCCESS, long_value_},
        {kCode, L"NoSuchProperty", ERROR_UNKNOWN_PROPERTY, L""},
        {L"{99999999-9999-9999-9999-999999999999}", L"ProductName", ERROR_UNKNOWN_PRODUCT, L""},
        {L"not a product code", L"ProductName", ERROR_INVALID_PARAMETER, L""},
    };
    for (const Case& c : cases) {
        CString value(L"stale");
        EXPECT_EQ(myMsiGetProductInfo(c.code, c.property, value), c.result) << c.property;
        EXPECT_EQ(std::wstring(value.GetString()), c.value) << c.property;
    }
}

TEST(ComputerName, IsTheSystemsNetbiosName) {
    wchar_t expected[64] = {};
    DWORD size = 64;
    ASSERT_TRUE(GetComputerNameW(expected, &size));
    CString name(L"stale");
    EXPECT_TRUE(myGetComputerName(name));
    EXPECT_STREQ(name.GetString(), expected);
    EXPECT_LE(name.GetLength(), 15);
    EXPECT_GT(name.GetLength(), 0);
}

TEST(FileVersion, MissingAndUnversionedFilesGiveTheirCodesAndNoVersion) {
    cw32test::ScratchDir dir;
    dir.WriteFile(L"notes.txt", "no version here\r\n");
    struct Case {
        std::wstring path;
        unsigned result;
    };
    for (const Case& c : {Case{dir.W(L"missing.dll"), ERROR_FILE_NOT_FOUND}, Case{dir.W(L"notes.txt"), ERROR_FILE_INVALID}}) {
        CString version(L"stale");
        EXPECT_EQ(myMsiGetFileVersion(c.path.c_str(), version), c.result) << c.path;
        EXPECT_TRUE(version.IsEmpty()) << c.path;
    }
}

}  // namespace
