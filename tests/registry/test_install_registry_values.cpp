// CInstallRegistry's values and enumeration: the stored bytes, the read protocols, the last
// value type, the last error and the two enumeration positions.
#include "registry_fixture.h"

#include <common-win32/registry.h>

namespace cw32test {
namespace {

constexpr DWORD W = sizeof(wchar_t);

class InstallRegistryValues : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_TRUE(reg_.OpenKey(HKEY_CURRENT_USER, CString(base_.c_str()), KEY_ALL_ACCESS));
    }
    // The stored type and bytes of a value, read past the class.
    std::vector<BYTE> Raw(const wchar_t* name, DWORD* type = nullptr) {
        BYTE buffer[256];
        DWORD size = sizeof buffer;
        EXPECT_EQ(RegQueryValueExW(reg_.GetHKEY(), name, nullptr, type, buffer, &size), ERROR_SUCCESS);
        return std::vector<BYTE>(buffer, buffer + size);
    }
    CStringArray Array(std::initializer_list<const wchar_t*> items) {
        CStringArray array;
        for (const wchar_t* item : items) array.Add(item);
        return array;
    }
    CInstallRegistry reg_;
};

TEST_F(InstallRegistryValues, StringsAreStoredWithOneNulAndTheirType) {
    struct Case {
        const wchar_t* value;
        bool expandable;
        DWORD type;
    } cases[] = {{L"abc", false, REG_SZ}, {L"abc", true, REG_EXPAND_SZ}, {L"", false, REG_SZ}};
    for (const auto& c : cases) {
        SetLastError(1234);
        ASSERT_TRUE(reg_.SetString(L"s", c.value, c.expandable));
        EXPECT_EQ(GetLastError(), 0u);
        DWORD type = 0;
        EXPECT_EQ(Raw(L"s", &type), StringBytes(c.value));
        EXPECT_EQ(type, c.type);
    }
}

TEST_F(InstallRegistryValues, GetStringAndGetValueReadAnyTypeAndRecordIt) {
    ASSERT_TRUE(reg_.SetDWord(L"dword", 0x41));
    ASSERT_TRUE(reg_.SetString(L"", L"default text", false));
    CString value = L"stale";
    EXPECT_FALSE(reg_.GetString(L"missing", value));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_EQ(reg_.GetLastValueType(), 0u);
    EXPECT_TRUE(reg_.GetString(L"dword", value));
    EXPECT_EQ(reg_.GetLastValueType(), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value.GetLength() > 0 ? value[0] : 0, L'A');  // the bytes taken as characters
    EXPECT_TRUE(reg_.GetString(L"", value));
    EXPECT_STREQ(value.GetString(), L"default text");
    EXPECT_EQ(reg_.GetLastValueType(), static_cast<DWORD>(REG_SZ));
    // GetValue hands back the text, its type and its size.
    ASSERT_TRUE(reg_.SetString(L"text", L"hello", false));
    CStringArray multi = Array({L"first", L"second"});
    ASSERT_TRUE(reg_.SetMultiString(L"multi", multi));
    CString data = L"unchanged";
    DWORD type = 0, size = 0;
    EXPECT_FALSE(reg_.GetValue(L"missing", &data, &type, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_STREQ(data.GetString(), L"unchanged");
    ASSERT_TRUE(reg_.GetValue(L"text", &data, &type, &size));
    EXPECT_STREQ(data.GetString(), L"hello");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6 * W);
    ASSERT_TRUE(reg_.GetValue(L"multi", &data, &type, &size));
    EXPECT_STREQ(data.GetString(), L"first");
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
}

TEST_F(InstallRegistryValues, GetPathStringExpandsOnlyExpandableStrings) {
    SetEnvironmentVariableW(L"CW32_REG_ROOT", L"C:\\Root");
    const std::wstring long_dir(300, L'd');
    SetEnvironmentVariableW(L"CW32_REG_LONG", long_dir.c_str());
    ASSERT_TRUE(reg_.SetString(L"expand", L"%CW32_REG_ROOT%\\x", true));
    ASSERT_TRUE(reg_.SetString(L"plain", L"%CW32_REG_ROOT%\\x", false));
    ASSERT_TRUE(reg_.SetString(L"long", L"%CW32_REG_LONG%\\y", true));
    ASSERT_TRUE(reg_.SetDWord(L"dword", 1));
    struct Case {
        const wchar_t* name;
        bool ok;
        std::wstring expected;
    } cases[] = {
        {L"expand", true, L"C:\\Root\\x"},
        {L"plain", true, L"%CW32_REG_ROOT%\\x"},
        {L"long", true, long_dir + L"\\y"},
        {L"dword", false, L"\1"},
        {L"missing", false, L""},
    };
    for (const auto& c : cases) {
        CString value;
        EXPECT_EQ(reg_.GetPathString(c.name, value), c.ok) << c.name[0];
        if (c.ok || c.expected.empty()) {
            EXPECT_STREQ(value.GetString(), c.expected.c_str());
        }
    }
}

TEST_F(InstallRegistryValues, GetDWordReadsUpToFourBytes) {
    const ULONGLONG eight = 1;
    ASSERT_TRUE(reg_.SetValue(L"qword", reinterpret_cast<const wchar_t*>(&eight), REG_QWORD, 8));
    ASSERT_TRUE(reg_.SetDWord(L"dword", 0xFFFFFFFF));
    DWORD value = 0;
    EXPECT_FALSE(reg_.GetDWord(L"qword", &value));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_TRUE(reg_.GetDWord(L"dword", &value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_EQ(reg_.GetLastValueType(), static_cast<DWORD>(REG_DWORD));
    EXPECT_FALSE(reg_.GetDWord(L"missing", &value));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(reg_.GetLastValueType(), 0u);
}

TEST_F(InstallRegistryValues, MultiStringsRoundTripWithTheirLayout) {
    struct Case {
        std::vector<const wchar_t*> items;
        DWORD units;  // characters stored, NULs included
    } cases[] = {
        {{L"a", L"b"}, 5},
        {{}, 1},
        {{L"a", L"", L"b"}, 6},
    };
    for (const auto& c : cases) {
        CStringArray in;
        for (const wchar_t* item : c.items) in.Add(item);
        ASSERT_TRUE(reg_.SetMultiString(L"multi", in));
        EXPECT_EQ(reg_.GetLastValueType(), 0u);
        DWORD type = 0;
        EXPECT_EQ(Raw(L"multi", &type).size(), c.units * W);
        EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
        CStringArray out = Array({L"stale"});
        ASSERT_TRUE(reg_.GetMultiString(L"multi", out));
        ASSERT_EQ(out.GetSize(), static_cast<std::intptr_t>(c.items.size()));
        for (std::size_t i = 0; i < c.items.size(); ++i) EXPECT_STREQ(out[i].GetString(), c.items[i]);
    }
    CStringArray out = Array({L"stale"});
    EXPECT_FALSE(reg_.GetMultiString(L"missing", out));
    EXPECT_EQ(out.GetSize(), 0);
}

TEST_F(InstallRegistryValues, EnumerationsKeepTheirOwnPositions) {
    for (const wchar_t* key : {L"k1", L"k2", L"k3"}) MakeKey(key);
    for (const wchar_t* value : {L"v1", L"v2"}) ASSERT_TRUE(reg_.SetDWord(value, 1));
    CString name;
    EXPECT_TRUE(reg_.EnumKeys(name, true));
    EXPECT_STREQ(name.GetString(), L"k1");
    EXPECT_TRUE(reg_.EnumKeys(name, false));
    EXPECT_TRUE(reg_.EnumKeys(name, false));
    EXPECT_STREQ(name.GetString(), L"k3");
    EXPECT_TRUE(reg_.EnumValues(name, false));  // its own index, still at 0
    EXPECT_STREQ(name.GetString(), L"v1");
    EXPECT_TRUE(reg_.EnumValues(name, false));
    EXPECT_STREQ(name.GetString(), L"v2");
    SetLastError(1234);
    EXPECT_FALSE(reg_.EnumValues(name, false));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_FALSE(reg_.EnumKeys(name, false));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(reg_.EnumKeys(name, true));
    EXPECT_STREQ(name.GetString(), L"k1");
    CInstallRegistry leaf;  // a key without subkeys ends at once
    ASSERT_TRUE(leaf.OpenKey(HKEY_CURRENT_USER, CString(Sub(L"k2").c_str()), KEY_READ));
    EXPECT_FALSE(leaf.EnumKeys(name, true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

TEST_F(InstallRegistryValues, DeleteValueAndOperationsWithoutAKey) {
    ASSERT_TRUE(reg_.SetDWord(L"gone", 3));
    SetLastError(1234);
    EXPECT_TRUE(reg_.DeleteValue(L"gone"));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(reg_.DeleteValue(L"gone"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    CInstallRegistry closed;
    CString value;
    EXPECT_FALSE(closed.GetString(L"x", value));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(closed.SetDWord(L"x", 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
}  // namespace cw32test
