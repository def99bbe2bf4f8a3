// A fixture for the service tests that need winport's seams: a system.db of the test's own, the
// virtual clock, installed services that can be scripted, and a transcript that interleaves the
// platform calls with the lines the host received.
#pragma once

#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include "support/scoped_env.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace cw32test {

class ScriptedServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "cw32-svc-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("WINPORT_ROOT", root_.c_str(), 1);
        winport::testing::ResetStore();
        winport::testing::UseVirtualClock(0);
        winport::testing::ClearRecordedSleeps();
    }
    void TearDown() override {
        winport::testing::StopCallLog();
        winport::testing::ClearScriptedServices();
        winport::testing::UseRealClock();
        winport::testing::ResetStore();
        env_.Restore();
        winport::testing::ResetStore();
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Installs a stopped, demand-start service (its dependencies as a multi-string).
    static void Install(const wchar_t* name, const wchar_t* dependencies = nullptr) {
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager, nullptr);
        SC_HANDLE service = CreateServiceW(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                           SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, L"/bin/true", nullptr, nullptr,
                                           dependencies, nullptr, nullptr);
        EXPECT_NE(service, nullptr) << GetLastError();
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }

    // Records the platform calls and the host's lines, in the order they happened: calls as the
    // call log gives them, lines as "# " and the text without its stamp.
    struct Transcript {
        boost::shared_ptr<RecordingHost> host = MakeHost();
        std::vector<std::string> entries;
        std::size_t calls_seen = 0;

        Transcript() {
            winport::testing::StartCallLog();
            host->on_write = [this](int, const std::wstring& text) {
                TakeCalls();
                entries.push_back("# " + Narrow(StripStamp(text)));
            };
        }
        ~Transcript() { winport::testing::StopCallLog(); }
        boost::shared_ptr<ILogger> logger() const { return host; }
        const std::vector<std::string>& Done() {
            TakeCalls();
            return entries;
        }
        void TakeCalls() {
            const std::vector<std::string> calls = winport::testing::CallLog();
            for (; calls_seen < calls.size(); ++calls_seen) entries.push_back(calls[calls_seen]);
        }
        static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
    };

    cw32test::ScopedEnv env_{"WINPORT_ROOT"};
    std::string root_;
};

}  // namespace cw32test
