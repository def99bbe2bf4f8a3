// The installer service's file-version query when the platform refuses: one fault point,
// passed before anything else, whose error comes back as the result with the sizes untouched.
#include "fault_sweep.h"

#include <common-win32/platform.h>

namespace {

TEST(MsiFaults, FileVersionIsOneFaultPointThatAnswersItsError) {
    DWORD size = 8;
    UINT rc = 0;
    const auto faulted = cw32test::SweepFaults(
        ERROR_ACCESS_DENIED, [&] { rc = MsiGetFileVersionW(L"/nonexistent/a.dll", nullptr, &size, nullptr, nullptr); },
        [&](unsigned, const std::string& function) {
            EXPECT_EQ(rc, function.empty() ? static_cast<UINT>(ERROR_PATH_NOT_FOUND) : ERROR_ACCESS_DENIED);
            EXPECT_EQ(size, 8u);
        });
    EXPECT_EQ(faulted, std::set<std::string>{"MsiGetFileVersionW"});
}

}  // namespace
