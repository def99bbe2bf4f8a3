// The registry view of the process's own width, on the real platform: a 32-bit process on
// 64-bit Windows has HKLM\SOFTWARE redirected to WOW6432Node, and the 64-bit search type (or
// KEY_WOW64_64KEY) reaches the 64-bit view. A 64-bit process (and POSIX) sees one view.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

// The widths that the exported signatures carry across the boundary: Windows is LLP64, so
// long is 32-bit there on both architectures; DWORD and LONG are 32-bit everywhere.
static_assert(sizeof(DWORD) == 4 && std::is_unsigned_v<DWORD>);
static_assert(sizeof(LONG) == 4 && std::is_signed_v<LONG>);
#if defined(_WIN32)
static_assert(sizeof(long) == 4);
#endif

namespace {

CString Hklm(const std::wstring& path) { return CString((L"HKEY_LOCAL_MACHINE\\SOFTWARE\\" + path).c_str()); }

TEST(RegistryViews, AThirtyTwoBitProcessKeepsSoftwareUnderWow6432Node) {
    const bool process32 = sizeof(void*) == 4;
    const std::wstring name = L"cw32-view-" + std::to_wstring(GetCurrentProcessId());
    CInstallRegistry reg;
    ASSERT_TRUE(reg.CreateKey(Hklm(name)));  // the process's own view
    ASSERT_TRUE(reg.SetString(L"view", L"own", false));
    struct Case {
        std::wstring path;
        const wchar_t* type;  // 2: the value as it is; 18: the same in the 64-bit view
        const wchar_t* expected;
    } cases[] = {
        {name, L"2", L"own"},
        {name, L"18", process32 ? L"" : L"own"},
        {L"WOW6432Node\\" + name, L"18", process32 ? L"own" : L""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(CInstallRegistry::searchRegistry(Hklm(c.path), L"view", c.type).GetString(), c.expected)
            << std::wstring(c.type) << L" " << c.path;
    }
    HKEY key64 = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\" + name).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key64),
              process32 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
    if (key64) RegCloseKey(key64);
    EXPECT_TRUE(reg.DeleteKey(Hklm(name)));
}

}  // namespace
