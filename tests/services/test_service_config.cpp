// The configuration functions on a service the test installs: the dependency list, the program
// path, the record in its malloc'ed block, the state names.
#include <common-win32/common-win32.h>

#include "support/service_runs.h"
#include "support/wine_on_qemu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr const wchar_t* kService = L"cw32-config-fn";
constexpr const wchar_t* kDependency = L"cw32-config-dep";

class ServiceConfig : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine's control manager answers from services.exe, whose RPC threads run at once: under
        // qemu that process loses its thread blocks and a call may never come back.
        if (cw32test::UnderWineOnQemu()) GTEST_SKIP() << "services.exe runs threads at once, which 32-bit Wine under qemu cannot";
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager_, nullptr);
        for (const wchar_t* name : {kService, kDependency}) {
            Remove(name);
            SC_HANDLE created = CreateServiceW(manager_, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                               SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, L"C:\\cw32\\svc.exe",
                                               nullptr, nullptr, nullptr, nullptr, nullptr);
            ASSERT_NE(created, nullptr) << GetLastError();
            CloseServiceHandle(created);
        }
    }
    void TearDown() override {
        if (manager_ == nullptr) return;
        for (const wchar_t* name : {kService, kDependency}) Remove(name);
        CloseServiceHandle(manager_);
    }
    void Remove(const wchar_t* name) {
        if (SC_HANDLE service = OpenServiceW(manager_, name, DELETE)) cw32test::DeleteAndWait(manager_, service, name);
    }
    std::wstring Dependencies() {
        SC_HANDLE service = OpenServiceW(manager_, kService, SERVICE_QUERY_CONFIG);
        QUERY_SERVICE_CONFIGW* record = nullptr;
        DWORD size = 0;
        EXPECT_EQ(queryServiceConfig(service, &record, &size), 1);
        std::wstring list;
        for (const wchar_t* p = record ? record->lpDependencies : nullptr; p && *p; p += std::wcslen(p) + 1)
            list += std::wstring(p) + L";";
        std::free(record);
        CloseServiceHandle(service);
        return list;
    }
    SC_HANDLE manager_ = nullptr;
};

TEST_F(ServiceConfig, DependenciesAreAddedOnceWhateverTheirCase) {
#if defined(CW32_TESTS_UNDER_WINE)
    GTEST_SKIP() << "Wine's control manager answers no dependencies from QueryServiceConfigW";
#endif
    EXPECT_EQ(AddServiceDependency(kService, kDependency), 0u);
    EXPECT_EQ(Dependencies(), std::wstring(kDependency) + L";");
    EXPECT_EQ(AddServiceDependency(kService, L"CW32-CONFIG-DEP"), 0u);
    EXPECT_EQ(Dependencies(), std::wstring(kDependency) + L";");
    EXPECT_EQ(AddServiceDependency(kService, L"cw32-no-such-service"), static_cast<unsigned long>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(AddServiceDependency(nullptr, kDependency), static_cast<unsigned long>(ERROR_SOURCE_ELEMENT_EMPTY));
    EXPECT_EQ(AddServiceDependency(L"cw32-no-such-service", kDependency),
              static_cast<unsigned long>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ServiceConfig, TheBinaryPathIsReadWithTheSizeProtocolAndChangedUnderTheLock) {
    const std::wstring path = L"C:\\Program Files\\cw32 demo\\" + std::wstring(600, L'p') + L".exe";
    EXPECT_EQ(changeServiceConfigBinaryPath(kService, path.c_str()), 1);
    unsigned int size = 0;
    EXPECT_EQ(GetServiceBinaryPath(kService, nullptr, &size), 0u);  // a record beyond 1024 bytes
    EXPECT_EQ(size, path.size());
    std::wstring read(size + 1, L'#');
    ++size;  // the buffer's capacity, its terminator included
    EXPECT_EQ(GetServiceBinaryPath(kService, &read[0], &size), 0u);
    EXPECT_EQ(read.c_str(), path);
    wchar_t short_buffer[8] = L"#######";
    unsigned int capacity = 4;
    EXPECT_EQ(GetServiceBinaryPath(kService, short_buffer, &capacity), 0u);
    EXPECT_STREQ(short_buffer, L"C:\\");  // cut, terminated, nothing past the capacity
    EXPECT_EQ(short_buffer[4], L'#');
    EXPECT_EQ(GetServiceBinaryPath(kService, nullptr, nullptr), 0u);
    EXPECT_EQ(GetServiceBinaryPath(L"cw32-no-such-service", nullptr, &size), static_cast<unsigned long>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(changeServiceConfigBinaryPath(L"cw32-no-such-service", L"x"), 0);
}

TEST(ServiceStateToString, NamesTheSevenStatesAndNoOther) {
    const wchar_t* const names[] = {L"Unknown State", L"SERVICE_STOPPED", L"SERVICE_START_PENDING",
                                    L"SERVICE_STOP_PENDING", L"SERVICE_RUNNING", L"SERVICE_CONTINUE_PENDING",
                                    L"SERVICE_PAUSE_PENDING", L"SERVICE_PAUSED", L"Unknown State"};
    for (DWORD state = 0; state <= 8; ++state) EXPECT_STREQ(ServiceStateToString(state).GetString(), names[state]);
}

}  // namespace
