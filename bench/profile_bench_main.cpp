// INI reads, timed by the program itself so that the very same code runs against winport's
// profile functions (POSIX build) and Wine's kernel32 (mingw build under Wine): a 2,000-line
// file of 100 sections, read 10,000 times at keys spread over it, every answer checked.
// Prints "phase=read calls=N seconds=S rate=R" (R: reads per second).
#include <common-win32/platform.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kSections = 100;
constexpr int kKeys = 19;  // with its header, 20 lines per section
constexpr int kReads = 10000;

std::wstring Value(int section, int key) {
    return L"value-" + std::to_wstring(section) + L"-" + std::to_wstring(key);
}

}  // namespace

int main() {
    const std::wstring file = L".\\cw32-profile-bench.ini";
    std::string text;
    for (int s = 0; s < kSections; ++s) {
        text += "[section" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < kKeys; ++k) {
            text += "key" + std::to_string(k) + "=value-" + std::to_string(s) + "-" + std::to_string(k) + "\r\n";
        }
    }
    std::FILE* out = std::fopen("cw32-profile-bench.ini", "wb");
    if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "profile-bench: cannot write the INI file\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    wchar_t buffer[64];
    for (int i = 0; i < kReads; ++i) {
        const int s = (i * 37) % kSections, k = (i * 11) % kKeys;
        const std::wstring section = L"section" + std::to_wstring(s), key = L"key" + std::to_wstring(k);
        const DWORD count = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, 64, file.c_str());
        if (std::wstring(buffer, count) != Value(s, k)) {
            std::fprintf(stderr, "profile-bench: read %d gave a wrong answer\n", i);
            return 1;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("phase=read calls=%d seconds=%.3f rate=%.0f\n", kReads, seconds, kReads / seconds);
    std::remove("cw32-profile-bench.ini");
    return 0;
}
