// The registry protocols the library relies on, checked against the platform itself: Wine's
// registry on Windows builds and winport's on POSIX must answer alike.
#include "registry_fixture.h"

#include <cstring>

namespace cw32test {
namespace {

class Win32Registry : public RegistryTest {
protected:
    HKEY Open(const std::wstring& relative, REGSAM sam = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, Sub(relative).c_str(), 0, sam, &key);
        EXPECT_EQ(rc, ERROR_SUCCESS) << "opening " << relative.size();
        return key;
    }
    std::vector<std::wstring> EnumKeys(HKEY key, LONG& end) {
        std::vector<std::wstring> names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            end = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (end != ERROR_SUCCESS) return names;
            EXPECT_EQ(length, std::wcslen(name));
            names.push_back(name);
        }
    }
};

TEST_F(Win32Registry, EveryTypeKeepsItsBytesAndTypeAndAShortBufferGetsTheSize) {
    const BYTE binary[] = {0, 1, 2, 0xFF};
    const DWORD dword = 0xDEADBEEF;
    const ULONGLONG qword = 0x0123456789ABCDEFULL;
    const wchar_t multi[] = L"a\0bc\0";
    struct Case {
        const wchar_t* name;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {L"", REG_SZ, L"default", 8 * sizeof(wchar_t)},
        {L"sz", REG_SZ, L"text", 5 * sizeof(wchar_t)},
        {L"expand", REG_EXPAND_SZ, L"%PATH%", 7 * sizeof(wchar_t)},
        {L"binary", REG_BINARY, binary, sizeof binary},
        {L"empty binary", REG_BINARY, nullptr, 0},
        {L"dword", REG_DWORD, &dword, sizeof dword},
        {L"qword", REG_QWORD, &qword, sizeof qword},
        {L"multi", REG_MULTI_SZ, multi, sizeof multi},
        {L"unknown type", 0x1234, binary, 3},
    };
    for (const auto& c : cases) SetRaw(L"", c.name, c.type, c.data, c.size);
    HKEY key = Open(L"", KEY_READ);
    for (const auto& c : cases) {
        BYTE buffer[64] = {};
        DWORD type = 0, size = sizeof buffer;
        ASSERT_EQ(RegQueryValueExW(key, c.name, nullptr, &type, buffer, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        ASSERT_EQ(size, c.size);
        if (c.size) {
            EXPECT_EQ(std::memcmp(buffer, c.data, c.size), 0);
            size = c.size - 1;  // one byte short: refused, with the size needed
            EXPECT_EQ(RegQueryValueExW(key, c.name, nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
            EXPECT_EQ(size, c.size);
        }
    }
    RegCloseKey(key);
}

TEST_F(Win32Registry, NamesMatchWithoutCaseAndKeepTheirCase) {
    MakeKey(L"MixedCase\\Inner");
    SetRaw(L"mixedcase", L"ValueName", REG_DWORD, "\1\0\0\0", 4);
    SetRaw(L"MIXEDCASE", L"VALUENAME", REG_DWORD, "\2\0\0\0", 4);  // the same value, overwritten
    HKEY key = Open(L"MIXEDCASE\\inner", KEY_READ);
    RegCloseKey(key);
    HKEY parent = Open(L"", KEY_READ);
    LONG end = 0;
    EXPECT_EQ(EnumKeys(parent, end), std::vector<std::wstring>{L"MixedCase"});
    RegCloseKey(parent);
    key = Open(L"mixedCASE", KEY_READ);
    wchar_t name[32];
    DWORD length = 32, data = 0, size = 4;
    ASSERT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, L"ValueName");
    EXPECT_EQ(data, 2u);
    length = 32;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(Win32Registry, SubkeysEnumerateInCaseInsensitiveOrderThenNoMoreItems) {
    // Letters and digits only: Wine orders "_" before letters (it compares lower case), Windows
    // after them (it compares upper case).
    for (const wchar_t* name : {L"b", L"D", L"A", L"c", L"B2"}) MakeKey(name);
    HKEY key = Open(L"", KEY_READ);
    LONG end = 0;
    EXPECT_EQ(EnumKeys(key, end), (std::vector<std::wstring>{L"A", L"b", L"B2", L"c", L"D"}));
    EXPECT_EQ(end, ERROR_NO_MORE_ITEMS);
    wchar_t tiny[2];
    EXPECT_EQ(RegEnumKeyW(key, 2, tiny, 2), ERROR_MORE_DATA);  // "B2" needs 3 characters
    wchar_t name[8];
    EXPECT_EQ(RegEnumKeyW(key, 2, name, 8), ERROR_SUCCESS);
    EXPECT_STREQ(name, L"B2");
    RegCloseKey(key);
}

TEST_F(Win32Registry, DeletingAKeyWithSubkeysIsRefused) {
    MakeKey(L"parent\\child");
    HKEY base = Open(L"");
    EXPECT_EQ(RegDeleteKeyW(base, L"parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(base, L"parent\\child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(base, L"parent"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(base, L"parent"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(base);
}

TEST_F(Win32Registry, InfoReportsCountsAndLongestNames) {
    MakeKey(L"k\\short");
    MakeKey(L"k\\a-longer-name");
    SetRaw(L"k", L"v", REG_BINARY, "12345678", 8);
    SetRaw(L"k", L"value-name", REG_BINARY, "1", 1);
    HKEY key = Open(L"k", KEY_READ);
    DWORD subkeys = 0, longest = 0, values = 0, longest_name = 0, longest_data = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, &values, &longest_name,
                               &longest_data, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(longest, 13u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(longest_name, 10u);
    EXPECT_EQ(longest_data, 8u);
    RegCloseKey(key);
}

TEST_F(Win32Registry, HandlesAndProtectedKeysAllowOnlyWhatTheyGrant) {
    MakeKey(L"k");
    HKEY key = Open(L"k", KEY_READ);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExW(key, L"x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(key, L"x"), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    key = Open(L"k", KEY_SET_VALUE);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExW(key, L"x", nullptr, nullptr, reinterpret_cast<BYTE*>(&one), &size),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    MakeKey(L"sealed");
    MakeKey(L"readonly");
    protected_ = {Sub(L"sealed"), Sub(L"readonly")};
    ASSERT_EQ(Protect(HKEY_CURRENT_USER, Sub(L"sealed"), Protection::DenyAll), ERROR_SUCCESS);
    ASSERT_EQ(Protect(HKEY_CURRENT_USER, Sub(L"readonly"), Protection::ReadOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Sub(L"sealed").c_str(), 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Sub(L"readonly").c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Sub(L"readonly").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(Win32Registry, ExpansionReplacesKnownNamesAndKeepsUnknownOnes) {
    SetEnvironmentVariableW(L"CW32_TEST_DIR", L"C:\\Base");
    struct Case {
        const wchar_t* source;
        const wchar_t* expected;
    } cases[] = {
        {L"%CW32_TEST_DIR%\\x", L"C:\\Base\\x"},
        {L"%cw32_test_dir%", L"C:\\Base"},
        {L"%CW32_NO_SUCH_VARIABLE%\\y", L"%CW32_NO_SUCH_VARIABLE%\\y"},
        {L"50% off", L"50% off"},
        {L"plain", L"plain"},
    };
    for (const auto& c : cases) {
        wchar_t out[64];
        DWORD needed = ExpandEnvironmentStringsW(c.source, out, 64);
        EXPECT_STREQ(out, c.expected);
        EXPECT_EQ(needed, std::wcslen(c.expected) + 1) << "for " << c.expected[0];
        EXPECT_EQ(ExpandEnvironmentStringsW(c.source, nullptr, 0), needed);
    }
}

}  // namespace
}  // namespace cw32test
