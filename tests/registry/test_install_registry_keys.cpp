// CInstallRegistry's keys: opening and creating by handle or full path, the key path, the
// last error, the access-denied exception, deleting trees, and copies.
#include "registry_fixture.h"

#include <common-win32/registry.h>

namespace cw32test {
namespace {

class InstallRegistryKeys : public RegistryTest {};

TEST_F(InstallRegistryKeys, FullPathsNeedAKnownHiveAndABackslash) {
    MakeKey(L"k");
    struct Case {
        std::wstring path;
        bool opened;
        DWORD error;
        std::wstring key_path;  // expected GetKeyPath after the call
    } cases[] = {
        {L"HKEY_LOCAL_MACHINE", false, ERROR_INVALID_PARAMETER, L""},
        {L"HKLM\\SOFTWARE", false, ERROR_INVALID_PARAMETER, L""},
        {L"HKEY_CURRENT_USER\\" + base_ + L"\\missing", false, ERROR_FILE_NOT_FOUND, L""},
        {L"hkey_current_user\\" + base_ + L"\\k", true, 0, full_ + L"\\k"},
        {L"HKEY_CURRENT_USER\\" + base_ + L"\\K", true, 0, full_ + L"\\K"},
    };
    for (const auto& c : cases) {
        CInstallRegistry reg;
        SetLastError(1234);
        EXPECT_EQ(reg.OpenKey(CString(c.path.c_str()), KEY_READ), c.opened) << c.path.size();
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(reg.GetHKEY() != nullptr, c.opened);
        EXPECT_STREQ(reg.GetKeyPath().GetString(), c.key_path.c_str());
    }
}

TEST_F(InstallRegistryKeys, KeyPathNamesTheHiveOnlyForPredefinedRootsAndOutlivesAFailedOpen) {
    MakeKey(L"parent\\Sub");
    CInstallRegistry parent, child;
    ASSERT_TRUE(parent.OpenKey(HKEY_CURRENT_USER, CString(Sub(L"parent").c_str()), KEY_READ));
    EXPECT_STREQ(parent.GetKeyPath().GetString(), (full_ + L"\\parent").c_str());
    ASSERT_TRUE(child.OpenKey(parent.GetHKEY(), L"Sub", KEY_READ));
    EXPECT_STREQ(child.GetKeyPath().GetString(), L"Sub");
    // A failed open closes the key and keeps the path.
    EXPECT_FALSE(parent.OpenKey(HKEY_CURRENT_USER, CString(Sub(L"absent").c_str()), KEY_READ));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(parent.GetHKEY(), nullptr);
    EXPECT_STREQ(parent.GetKeyPath().GetString(), (full_ + L"\\parent").c_str());
}

TEST_F(InstallRegistryKeys, CreateMakesEveryLevelAndOpensExistingKeys) {
    CInstallRegistry reg;
    SetLastError(1234);
    ASSERT_TRUE(reg.CreateKey(CString((full_ + L"\\a\\b\\c").c_str())));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_STREQ(reg.GetKeyPath().GetString(), (full_ + L"\\a\\b\\c").c_str());
    EXPECT_TRUE(KeyExists(L"a\\b\\c"));
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, CString(Sub(L"A\\B").c_str()), true));
    EXPECT_TRUE(reg.SetDWord(L"v", 1));
    EXPECT_FALSE(reg.CreateKey(L"HKEY_NOWHERE\\x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(reg.GetHKEY(), nullptr);
}

// The cases below that deny access rely on Protect: it must hold on the platform itself, Wine's
// key DACLs on Windows builds and winport's protection on POSIX.
TEST_F(InstallRegistryKeys, ProtectedKeysOpenOnlyForWhatTheyGrant) {
    MakeKey(L"sealed");
    MakeKey(L"readonly");
    protected_ = {Sub(L"sealed"), Sub(L"readonly")};
    ASSERT_EQ(Protect(HKEY_CURRENT_USER, Sub(L"sealed"), Protection::DenyAll), ERROR_SUCCESS);
    ASSERT_EQ(Protect(HKEY_CURRENT_USER, Sub(L"readonly"), Protection::ReadOnly), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Sub(L"sealed").c_str(), 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Sub(L"readonly").c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Sub(L"readonly").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(InstallRegistryKeys, AccessDeniedThrowsFromOpenButNotFromCreate) {
    MakeKey(L"sealed");
    protected_ = {Sub(L"sealed")};
    ASSERT_EQ(Protect(HKEY_CURRENT_USER, Sub(L"sealed"), Protection::DenyAll), ERROR_SUCCESS);
    CInstallRegistry reg;
    try {
        reg.OpenKey(HKEY_CURRENT_USER, CString(Sub(L"sealed").c_str()), KEY_READ);
        ADD_FAILURE() << "OpenKey did not throw";
    } catch (long error) {
        EXPECT_EQ(error, 5L);
    }
    EXPECT_EQ(reg.GetHKEY(), nullptr);
    EXPECT_TRUE(reg.GetKeyPath().IsEmpty());
    EXPECT_FALSE(reg.CreateKey(HKEY_CURRENT_USER, CString(Sub(L"sealed").c_str())));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_THROW(reg.DeleteKey(CString((full_ + L"\\sealed").c_str())), long);
}

TEST_F(InstallRegistryKeys, DeleteKeyRemovesAWholeTreeAndRefusesNoSubkey) {
    for (const wchar_t* key : {L"tree\\one\\deep", L"tree\\one\\deeper", L"tree\\two", L"tree\\three\\x"})
        MakeKey(key);
    SetRaw(L"tree\\one", L"value", REG_DWORD, "\1\0\0\0", 4);
    CInstallRegistry reg;
    EXPECT_TRUE(reg.DeleteKey(CString((full_ + L"\\tree").c_str())));
    EXPECT_FALSE(KeyExists(L"tree"));
    EXPECT_TRUE(KeyExists(L""));
    EXPECT_FALSE(reg.DeleteKey(HKEY_CURRENT_USER, CString(Sub(L"tree").c_str())));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    for (const wchar_t* empty : {L"HKEY_CURRENT_USER\\", L"HKEY_CURRENT_USER"}) {  // no subkey: refused
        EXPECT_FALSE(reg.DeleteKey(empty));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_FALSE(reg.DeleteKey(HKEY_CURRENT_USER, L""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(KeyExists(L""));
}

TEST_F(InstallRegistryKeys, DeleteKeyStepsOverASubkeyItCannotDelete) {
#if defined(CW32_TESTS_UNDER_WINE)
    GTEST_SKIP() << "Wine grants DELETE whatever the key's DACL says";
#endif
    for (const wchar_t* key : {L"tree\\a\\x", L"tree\\b", L"tree\\c\\y", L"tree\\d"}) MakeKey(key);
    protected_ = {Sub(L"tree\\b")};
    ASSERT_EQ(Protect(HKEY_CURRENT_USER, Sub(L"tree\\b"), Protection::ReadOnly), ERROR_SUCCESS);
    CInstallRegistry reg;
    EXPECT_FALSE(reg.DeleteKey(HKEY_CURRENT_USER, CString(Sub(L"tree").c_str())));
    EXPECT_TRUE(KeyExists(L"tree\\b"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, Sub(L"tree\\b").c_str()), ERROR_ACCESS_DENIED);
    for (const wchar_t* gone : {L"tree\\a", L"tree\\c", L"tree\\d"}) EXPECT_FALSE(KeyExists(gone)) << gone[5];
}

TEST_F(InstallRegistryKeys, CopiesReferToTheSameKeyAndOutliveTheOriginal) {
    MakeKey(L"k");
    CInstallRegistry assigned;
    {
        CInstallRegistry original;
        ASSERT_TRUE(original.OpenKey(HKEY_CURRENT_USER, CString(Sub(L"k").c_str()), KEY_ALL_ACCESS));
        CInstallRegistry copy(original);
        EXPECT_STREQ(copy.GetKeyPath().GetString(), original.GetKeyPath().GetString());
        EXPECT_TRUE(copy.SetDWord(L"from copy", 7));
        assigned = copy;
        assigned = assigned;  // self-assignment keeps the key
    }
    DWORD value = 0;
    ASSERT_NE(assigned.GetHKEY(), nullptr);
    EXPECT_TRUE(assigned.GetDWord(L"from copy", &value));
    EXPECT_EQ(value, 7u);
    CInstallRegistry empty;
    assigned = empty;
    EXPECT_EQ(assigned.GetHKEY(), nullptr);
}

}  // namespace
}  // namespace cw32test
