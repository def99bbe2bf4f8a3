// The registry tests' own key, removal of trees, and key protection on both platforms.
#include "registry_fixture.h"

#include <atomic>

#if defined(_WIN32)
#include <aclapi.h>
#endif

namespace cw32test {
namespace {

std::atomic<int> g_counter{0};

#if defined(_WIN32)
// Replaces the key's DACL: empty (nobody may do anything) or one ACE for Everyone.
LONG SetDacl(HKEY root, const std::wstring& subkey, bool grant, REGSAM granted) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, subkey.c_str(), 0, WRITE_DAC, &key);
    if (rc != ERROR_SUCCESS) return rc;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        RegCloseKey(key);
        return static_cast<LONG>(GetLastError());
    }
    alignas(8) BYTE acl_buffer[256];
    PACL acl = reinterpret_cast<PACL>(acl_buffer);
    SECURITY_DESCRIPTOR sd;
    bool ok = InitializeAcl(acl, sizeof acl_buffer, ACL_REVISION) &&
              (!grant || AddAccessAllowedAce(acl, ACL_REVISION, granted, everyone)) &&
              InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    rc = ok ? RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) : static_cast<LONG>(GetLastError());
    FreeSid(everyone);
    RegCloseKey(key);
    return rc;
}
#endif

}  // namespace

LONG DeleteTree(HKEY root, const std::wstring& subkey) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return rc;
    wchar_t name[256];
    for (;;) {
        DWORD length = 256;
        rc = RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        if ((rc = DeleteTree(key, name)) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (rc != ERROR_NO_MORE_ITEMS) return rc;
    return RegDeleteKeyW(root, subkey.c_str());
}

LONG Protect(HKEY root, const std::wstring& subkey, Protection protection) {
#if defined(_WIN32)
    return SetDacl(root, subkey, protection == Protection::ReadOnly, KEY_READ);
#else
    return winport::RegSetKeyProtection(root, subkey.c_str(), protection == Protection::DenyAll, true);
#endif
}

LONG Unprotect(HKEY root, const std::wstring& subkey) {
#if defined(_WIN32)
    return SetDacl(root, subkey, true, KEY_ALL_ACCESS);
#else
    return winport::RegSetKeyProtection(root, subkey.c_str(), false, false);
#endif
}

std::vector<BYTE> StringBytes(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t));
}

void RegistryTest::SetUp() {
    base_ = L"Software\\cw32-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++g_counter);
    full_ = L"HKEY_CURRENT_USER\\" + base_;
    DeleteTree(HKEY_CURRENT_USER, base_);  // a leftover of a killed earlier run
    MakeKey(L"");
}

void RegistryTest::TearDown() {
    for (const auto& key : protected_) Unprotect(HKEY_CURRENT_USER, key);
    EXPECT_EQ(DeleteTree(HKEY_CURRENT_USER, base_), ERROR_SUCCESS) << "the test's key was not removed";
}

void RegistryTest::MakeKey(const std::wstring& relative) { SetRaw(relative, nullptr, 0, nullptr, 0); }

void RegistryTest::SetRaw(const std::wstring& relative, const wchar_t* name, DWORD type, const void* data,
                          DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Sub(relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    if (name) {
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    RegCloseKey(key);
}

bool RegistryTest::KeyExists(const std::wstring& relative) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Sub(relative).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace cw32test
