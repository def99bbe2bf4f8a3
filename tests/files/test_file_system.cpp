// The file-system answers the file routines stand on are compared with Windows' own by
// tests/probes. This rule is checked here because Wine run as root breaks it (CI runs as root).
#include "scratch.h"

#include <gtest/gtest.h>

namespace {

using cw32test::ScratchDir;

// The read-only attribute refuses every open that could write, whoever runs the process (CI
// runs as root, whom POSIX lets write anyway); reading stays allowed.
TEST(OpeningFiles, ReadOnlyFilesRefuseEveryWritingOpen) {
    if (cw32test::WineWritesReadOnlyFiles()) GTEST_SKIP() << "Wine run as root opens read-only files for writing";
    ScratchDir dir;
    dir.WriteFile(L"ro.txt", "kept");
    dir.SetReadOnly(L"ro.txt", true);
    struct Case {
        DWORD access;
        DWORD disposition;
        bool opens;
    } cases[] = {
        {GENERIC_READ, OPEN_EXISTING, true},
        {GENERIC_WRITE, OPEN_EXISTING, false},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, false},
        {FILE_APPEND_DATA, OPEN_EXISTING, false},
        {GENERIC_WRITE, CREATE_ALWAYS, false},
        {GENERIC_WRITE, TRUNCATE_EXISTING, false},
    };
    for (const auto& c : cases) {
        HANDLE file = CreateFileW(dir.W(L"ro.txt").c_str(), c.access, FILE_SHARE_READ, nullptr, c.disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << std::hex << c.access << " " << c.disposition;
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        } else {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        }
    }
    EXPECT_EQ(dir.ReadFile(L"ro.txt"), "kept");
    dir.SetReadOnly(L"ro.txt", false);
}

}  // namespace
