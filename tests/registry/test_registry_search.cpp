// searchRegistry and the two fixed HKEY_LOCAL_MACHINE probes. The probes' keys are written for
// the test and removed afterwards (under Wine, in the build's own prefix).
#include "registry_fixture.h"

#include <common-win32/registry.h>

namespace cw32test {
namespace {

const wchar_t kJavaKey[] = L"SOFTWARE\\Veltro Quorlane\\Tarsis 4.0\\Installer";
const wchar_t kJavaRoot[] = L"SOFTWARE\\Veltro Quorlane";
const wchar_t kWebKey[] = L"SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters";
const wchar_t kWebRoot[] = L"SYSTEM\\CurrentControlSet\\Services\\W3SVC";

class RegistrySearch : public RegistryTest {};

TEST_F(RegistrySearch, ValuesComeBackAsTextAndDeniedKeysThrow) {
    const DWORD answer = 42, all_ones = 0xFFFFFFFF;
    const wchar_t multi[] = L"a\0b\0";
    SetRaw(L"k", L"sz", REG_SZ, L"text", 5 * sizeof(wchar_t));
    SetRaw(L"k", L"expand", REG_EXPAND_SZ, L"%PATH%", 7 * sizeof(wchar_t));
    SetRaw(L"k", L"dword", REG_DWORD, &answer, 4);
    SetRaw(L"k", L"ones", REG_DWORD, &all_ones, 4);
    SetRaw(L"k", L"multi", REG_MULTI_SZ, multi, sizeof multi);
    const CString key = (full_ + L"\\k").c_str();
    struct Case {
        CString path;
        const wchar_t* name;
        const wchar_t* type;
        const wchar_t* expected;
    } cases[] = {
        {key, L"sz", L"0", L"text"},
        {key, L"sz", L"not a number", L"text"},
        {key, L"expand", L"2", L"%PATH%"},
        {key, L"dword", L"2", L"42"},
        {key, L"ones", L"2", L"-1"},
        {key, L"multi", L"2", L"a"},
        {key, L"missing", L"2", L""},
        {(L"HKCU\\" + base_ + L"\\k").c_str(), L"sz", L"2", L""},
        {(full_ + L"\\absent").c_str(), L"sz", L"2", L""},
    };
    for (const auto& c : cases) {
        CString found = CInstallRegistry::searchRegistry(c.path, c.name, c.type);
        EXPECT_STREQ(found.GetString(), c.expected) << c.name[0];
    }
    MakeKey(L"sealed");  // a denied key throws out of the search
    protected_ = {Sub(L"sealed")};
    ASSERT_EQ(Protect(HKEY_CURRENT_USER, Sub(L"sealed"), Protection::DenyAll), ERROR_SUCCESS);
    EXPECT_THROW(CInstallRegistry::searchRegistry((full_ + L"\\sealed").c_str(), L"x", L"2"), long);
}

// The fixed keys below HKEY_LOCAL_MACHINE, made for a test and removed with what the test made.
class RegistryProbes : public ::testing::Test {
protected:
    void TearDown() override {
        DeleteTree(HKEY_LOCAL_MACHINE, kJavaRoot);
        if (made_web_root_) DeleteTree(HKEY_LOCAL_MACHINE, kWebRoot);
    }
    void Write(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
        if (std::wstring(key) == kWebKey && !made_web_root_) {
            HKEY existing = nullptr;
            made_web_root_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWebRoot, 0, KEY_READ, &existing) != ERROR_SUCCESS;
            if (existing) RegCloseKey(existing);
        }
        HKEY handle = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
                  ERROR_SUCCESS);
        if (name) {
            EXPECT_EQ(RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        }
        RegCloseKey(handle);
    }
    void WriteString(const wchar_t* name, const wchar_t* text) {
        Write(kJavaKey, name, REG_SZ, text, static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
    }
    bool made_web_root_ = false;
};

TEST_F(RegistryProbes, JavaCommandComesFromJrePathElseJdkPath) {
    struct Case {
        const wchar_t* jre;  // null: value absent
        const wchar_t* jdk;
        bool found;
        const wchar_t* expected;
        bool key = true;  // false: not even the key exists
    } cases[] = {
        {L"C:\\jre\\", L"D:\\jdk", true, L"\"C:\\jre\\bin\\java\""},
        {L"C:\\Java\\jre", nullptr, true, L"\"C:\\Java\\jre\\bin\\java\""},
        {nullptr, L"D:\\jdk", true, L"\"D:\\jdk\\bin\\java\""},
        {L"", L"D:\\jdk", true, L"\"bin\\java\""},
        {nullptr, nullptr, false, L"untouched"},
        {nullptr, nullptr, false, L"untouched", false},
    };
    for (const auto& c : cases) {
        DeleteTree(HKEY_LOCAL_MACHINE, kJavaRoot);
        if (c.key) Write(kJavaKey, nullptr, 0, nullptr, 0);
        if (c.jre) WriteString(L"JREPath", c.jre);
        if (c.jdk) WriteString(L"JDKPath", c.jdk);
        CString command = L"untouched";
        EXPECT_EQ(GetJavaFromReg(&command), c.found);
        EXPECT_STREQ(command.GetString(), c.expected);
    }
}

TEST_F(RegistryProbes, WebServerVersionSevenOrLater) {
    HKEY existing = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWebKey, 0, KEY_READ, &existing) == ERROR_SUCCESS) {
        RegCloseKey(existing);
        GTEST_SKIP() << "this system has a web server service of its own";
    }
    EXPECT_FALSE(isIIS7OrHigher());
    struct Case {
        DWORD major;
        bool expected;
    } cases[] = {{6, false}, {7, true}, {10, true}, {0xFFFFFFFF, true}};
    for (const auto& c : cases) {
        Write(kWebKey, L"MajorVersion", REG_DWORD, &c.major, 4);
        EXPECT_EQ(isIIS7OrHigher(), c.expected) << c.major;
    }
}

}  // namespace
}  // namespace cw32test
