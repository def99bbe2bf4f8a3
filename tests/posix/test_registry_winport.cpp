// What only winport's registry can be asked: the 32/64-bit views under a chosen process width,
// the predefined-key override, name limits, folding, protection kept in the store, the call log.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include <gtest/gtest.h>

namespace wt = winport::testing;

namespace {

class WinportRegistry : public ::testing::Test {
protected:
    void TearDown() override {
        wt::EmulateWow64Process(sizeof(void*) == 4);
        CInstallRegistry reg;
        reg.DeleteKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor");
        reg.DeleteKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Vendor");
        reg.DeleteKey(L"HKEY_CURRENT_USER\\Software\\winport-test");
    }
    static void Write(bool view64, const wchar_t* text) {
        CInstallRegistry reg;
        ASSERT_TRUE(reg.CreateKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", view64));
        ASSERT_TRUE(reg.SetString(L"view", text, false));
    }
};

TEST_F(WinportRegistry, ThirtyTwoBitProcessesSeeSoftwareUnderWow6432Node) {
    wt::EmulateWow64Process(true);
    Write(false, L"32");
    Write(true, L"64");
    struct Case {
        bool process32;
        const wchar_t* type;
        const wchar_t* expected;
    } cases[] = {
        {true, L"2", L"32"}, {true, L"18", L"64"}, {true, L"16", L"64"},
        {false, L"2", L"64"}, {false, L"18", L"64"},
    };
    for (const auto& c : cases) {
        wt::EmulateWow64Process(c.process32);
        CString found = CInstallRegistry::searchRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor", L"view", c.type);
        EXPECT_STREQ(found.GetString(), c.expected) << c.process32 << " " << c.type[0];
    }
    wt::EmulateWow64Process(false);
    EXPECT_STREQ(CInstallRegistry::searchRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Vendor", L"view", L"2")
                     .GetString(),
                 L"32");
    HKEY forced = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", 0, KEY_READ | KEY_WOW64_32KEY, &forced),
              ERROR_SUCCESS);
    wchar_t text[8];
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExW(forced, L"view", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, L"32");
    RegCloseKey(forced);
}

TEST_F(WinportRegistry, ClassesAreSharedByBothViews) {
    wt::EmulateWow64Process(true);
    CInstallRegistry reg;
    ASSERT_TRUE(reg.CreateKey(L"HKEY_CLASSES_ROOT\\.cw32test"));
    ASSERT_TRUE(reg.SetString(L"", L"cw32.file", false));
    wt::EmulateWow64Process(false);
    EXPECT_STREQ(CInstallRegistry::searchRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.cw32test", L"", L"2")
                     .GetString(),
                 L"cw32.file");
    EXPECT_TRUE(reg.DeleteKey(L"HKEY_CLASSES_ROOT\\.cw32test"));
}

TEST_F(WinportRegistry, SubkeysOrderByUpperCaseFoldBeyondAsciiAndFollowChangesBetweenCalls) {
    CInstallRegistry reg;
    for (const wchar_t* name : {L"_x", L"b", L"\u00C4rger", L"A"}) {
        ASSERT_TRUE(reg.CreateKey(CString(L"HKEY_CURRENT_USER\\Software\\winport-test\\") + name));
    }
    ASSERT_TRUE(reg.OpenKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\\u00E4RGER", KEY_READ));
    ASSERT_TRUE(reg.OpenKey(L"HKEY_CURRENT_USER\\Software\\winport-test", KEY_READ));
    std::vector<std::wstring> names;
    CString name;
    for (bool more = reg.EnumKeys(name, true); more; more = reg.EnumKeys(name, false)) names.push_back(name.GetString());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"b", L"_x", L"\u00C4rger"}));
    ASSERT_TRUE(reg.EnumKeys(name, true));
    EXPECT_STREQ(name.GetString(), L"A");
    CInstallRegistry other;
    ASSERT_TRUE(other.CreateKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\0"));
    ASSERT_TRUE(reg.EnumKeys(name, false));  // index 1 of 0, A, b, _x, \u00C4rger
    EXPECT_STREQ(name.GetString(), L"A");
}

TEST_F(WinportRegistry, NameLimitsAreTheWindowsOnes) {
    HKEY key = nullptr;
    const std::wstring longest(255, L'k'), too_long(256, L'k');
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\winport-test\\" + longest).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring value_ok(16383, L'v'), value_too_long(16384, L'v');
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExW(key, value_ok.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, value_too_long.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
    key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\winport-test\\" + too_long).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key, nullptr);
}

TEST_F(WinportRegistry, OverriddenHivesLeadToTheReplacementKey) {
    CInstallRegistry sandbox;
    ASSERT_TRUE(sandbox.CreateKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\sandbox\\SYSTEM"));
    ASSERT_TRUE(sandbox.OpenKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\sandbox", KEY_ALL_ACCESS));
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, sandbox.GetHKEY()), ERROR_SUCCESS);
    CInstallRegistry web;
    const bool created = web.CreateKey(L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters");
    const bool set = created && web.SetDWord(L"MajorVersion", 8);
    const bool probed = isIIS7OrHigher();
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(set);
    EXPECT_TRUE(probed);
    EXPECT_FALSE(isIIS7OrHigher()) << "the real hive was written";
    EXPECT_EQ(CInstallRegistry::searchRegistry(L"HKEY_CURRENT_USER\\Software\\winport-test\\sandbox\\SYSTEM\\"
                                               L"CurrentControlSet\\Services\\W3SVC\\Parameters",
                                               L"MajorVersion", L"2"),
              L"8");
}

TEST_F(WinportRegistry, ProtectionIsKeptInTheStore) {
    CInstallRegistry reg;
    ASSERT_TRUE(reg.CreateKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\guarded"));
    ASSERT_EQ(winport::RegSetKeyProtection(HKEY_CURRENT_USER, L"Software\\winport-test\\guarded", false, true),
              ERROR_SUCCESS);
    wt::ResetStore();
    EXPECT_FALSE(reg.CreateKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\guarded"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(reg.CreateKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\guarded\\inner"));
    EXPECT_TRUE(reg.OpenKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\guarded", KEY_READ));
    EXPECT_EQ(winport::RegSetKeyProtection(HKEY_CURRENT_USER, L"Software\\winport-test\\guarded", false, false),
              ERROR_SUCCESS);
    EXPECT_EQ(winport::RegSetKeyProtection(HKEY_CURRENT_USER, L"Software\\winport-test\\absent", true, true),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(WinportRegistry, KeysDeletedThroughAnotherHandleReportIt) {
    CInstallRegistry reg;
    ASSERT_TRUE(reg.CreateKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\doomed"));
    CInstallRegistry deleter;
    ASSERT_TRUE(deleter.DeleteKey(L"HKEY_CURRENT_USER\\Software\\winport-test\\doomed"));
    EXPECT_FALSE(reg.SetDWord(L"late", 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_KEY_DELETED));
}

TEST_F(WinportRegistry, CreateKeyAsksForTheAccessItNeeds) {
    wt::StartCallLog();
    CInstallRegistry reg;
    reg.CreateKey(HKEY_CURRENT_USER, L"Software\\winport-test\\k", true);
    reg.OpenKey(HKEY_CURRENT_USER, L"Software\\winport-test\\k", KEY_READ);
    wt::StopCallLog();
    std::vector<std::string> opens;
    for (const std::string& call : wt::CallLog())
        if (call.rfind("RegCreateKeyExW", 0) == 0 || call.rfind("RegOpenKeyExW", 0) == 0) opens.push_back(call);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_NE(opens[0].find("Software\\winport-test\\k\", 0xF013F"), std::string::npos) << opens[0];
    EXPECT_NE(opens[1].find("Software\\winport-test\\k\", 0x20019"), std::string::npos) << opens[1];
}

}  // namespace
