// What the account and security tests share: a machine of the test's own (WINPORT_ROOT at a
// fresh folder), the computer's name, an account added as an installer adds one, and the
// policy's counted strings.
#pragma once

#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace cw32test {

inline std::wstring ComputerName() {
    CString name;
    EXPECT_TRUE(myGetComputerName(name));
    return name.GetString();
}

inline NET_API_STATUS AddAccount(const wchar_t* name, const wchar_t* password, DWORD level = 1,
                                 DWORD* parm = nullptr) {
    USER_INFO_1 info{};
    info.usri1_name = const_cast<LPWSTR>(name);
    info.usri1_password = const_cast<LPWSTR>(password);
    info.usri1_priv = USER_PRIV_USER;
    info.usri1_flags = UF_SCRIPT | UF_DONT_EXPIRE_PASSWD;
    return NetUserAdd(nullptr, level, reinterpret_cast<LPBYTE>(&info), parm);
}

inline LSA_UNICODE_STRING Counted(const std::wstring& text) {  // `text` must outlive the result
    const auto length = static_cast<USHORT>(text.size() * sizeof(WCHAR));
    return {length, static_cast<USHORT>(length + sizeof(WCHAR)), const_cast<PWSTR>(text.c_str())};
}

class OwnMachineTest : public ::testing::Test {
protected:
    void SetUp() override { NewRoot(); }
    void TearDown() override {
        winport::testing::DisarmFaults();
        winport::testing::StopCallLog();
        env_.Restore();
        winport::testing::ResetStore();
        std::error_code ignored;
        for (const std::string& root : roots_) std::filesystem::remove_all(root, ignored);
    }
    // Points WINPORT_ROOT at a fresh folder: another machine, with a store of its own.
    void NewRoot() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cw32-acct-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        setenv("WINPORT_ROOT", pattern.c_str(), 1);
        winport::testing::ResetStore();
        roots_.push_back(root_ = pattern);
    }

    ScopedEnv env_{"WINPORT_ROOT"};
    std::string root_;  // the newest
    std::vector<std::string> roots_;
};

}  // namespace cw32test
