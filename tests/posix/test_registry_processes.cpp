// The registry is shared by processes: what one writes another reads, and a writer killed in
// the middle of a write leaves the store consistent (every value whole or absent).
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace wt = winport::testing;

namespace {

constexpr DWORD kBlobBytes = 4096;
constexpr int kKeys = 40;
const char kWriterVariable[] = "CW32_REGISTRY_WRITER_ROOT";
const char kWriterPipeVariable[] = "CW32_REGISTRY_WRITER_PIPE";

// The writer, run in a child process started from this same program: it rewrites keys and
// values as fast as it can, telling the parent through a pipe once it is well under way.
[[noreturn]] void RunWriter(const char* root, int ready_fd) {
    setenv("WINPORT_ROOT", root, 1);
    for (unsigned i = 0;; ++i) {
        std::wstring key = L"Software\\Writer\\K" + std::to_wstring(i % kKeys);
        HKEY handle = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS)
            _exit(3);
        std::vector<BYTE> blob(kBlobBytes, static_cast<BYTE>(i));
        DWORD counter = i;
        RegSetValueExW(handle, L"blob", 0, REG_BINARY, blob.data(), kBlobBytes);
        RegSetValueExW(handle, L"counter", 0, REG_DWORD, reinterpret_cast<BYTE*>(&counter), 4);
        const std::wstring child = key + L"\\child";
        HKEY child_handle = nullptr;
        if (i % 7 == 0) {
            RegDeleteKeyW(HKEY_CURRENT_USER, child.c_str());
        } else if (RegCreateKeyExW(HKEY_CURRENT_USER, child.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                   &child_handle, nullptr) == ERROR_SUCCESS) {
            RegCloseKey(child_handle);
        }
        RegCloseKey(handle);
        if (i == 300 && write(ready_fd, "r", 1) != 1) _exit(4);
    }
}

// Runs before GoogleTest when this program was started as the writer.
const bool g_is_writer = [] {
    if (const char* root = std::getenv(kWriterVariable)) RunWriter(root, std::atoi(std::getenv(kWriterPipeVariable)));
    return false;
}();

TEST(RegistryProcesses, AWriterKilledMidWriteLeavesTheStoreConsistent) {
    const std::string root = wt::StateDirectory();
    for (int round = 0; round < 3; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            setenv(kWriterVariable, root.c_str(), 1);
            setenv(kWriterPipeVariable, std::to_string(ready[1]).c_str(), 1);
            execl("/proc/self/exe", "registry-writer", static_cast<char*>(nullptr));
            _exit(5);
        }
        close(ready[1]);
        char signal_byte = 0;
        ASSERT_EQ(read(ready[0], &signal_byte, 1), 1) << "the writer did not get going";
        close(ready[0]);
        usleep(static_cast<useconds_t>(1000 + round * 3000));  // land the kill at a different point
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended on its own: " << status;

        wt::ResetStore();  // read the store afresh, as a new process would
        EXPECT_EQ(wt::CheckRegistryStore(), "ok");
        int whole = 0;
        for (int k = 0; k < kKeys; ++k) {
            CInstallRegistry reg;
            if (!reg.OpenKey(HKEY_CURRENT_USER, CString((L"Software\\Writer\\K" + std::to_wstring(k)).c_str()), KEY_READ))
                continue;
            BYTE blob[kBlobBytes];
            DWORD size = kBlobBytes, type = 0;
            ASSERT_EQ(RegQueryValueExW(reg.GetHKEY(), L"blob", nullptr, &type, blob, &size), ERROR_SUCCESS);
            ASSERT_EQ(size, kBlobBytes);
            for (DWORD i = 1; i < size; ++i) ASSERT_EQ(blob[i], blob[0]) << "a value was half-written";
            ++whole;
        }
        EXPECT_EQ(whole, kKeys) << "the writer's committed keys are not all visible";
    }
}

}  // namespace
