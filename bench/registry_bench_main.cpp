// Registry throughput, timed by the program itself so that the very same code runs against
// winport's registry (POSIX build) and Wine's (mingw build under Wine): 10,000 keys with 5
// values each are created, read back, enumerated and deleted below a key of the run's own.
// Prints one line per phase: "phase=NAME calls=N seconds=S rate=R" (R: registry calls per second).
#include "timed_phase.h"

#include <common-win32/platform.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kKeys = 10000;
constexpr int kValues = 5;

using Phase = cw32bench::TimedPhase;

[[noreturn]] void Fail(const char* what, LONG rc) {
    std::fprintf(stderr, "registry-bench: %s failed with %ld\n", what, static_cast<long>(rc));
    std::exit(1);
}

void Check(LONG rc, const char* what) {
    if (rc != ERROR_SUCCESS) Fail(what, rc);
}

std::wstring KeyName(int k) {
    wchar_t name[16];
    std::swprintf(name, 16, L"K%05d", k);
    return name;
}

const wchar_t* const kValueNames[kValues] = {L"Name", L"Path", L"Count", L"Flags", L"Data"};

void Create(HKEY root) {
    Phase phase{"create"};
    const std::wstring text = L"C:\\Program Files\\Example\\component";
    const BYTE blob[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (int k = 0; k < kKeys; ++k) {
        HKEY key = nullptr;
        Check(RegCreateKeyExW(root, KeyName(k).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              "RegCreateKeyExW");
        const DWORD number = static_cast<DWORD>(k);
        const auto text_bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        Check(RegSetValueExW(key, kValueNames[0], 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), text_bytes),
              "RegSetValueExW");
        Check(RegSetValueExW(key, kValueNames[1], 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             text_bytes),
              "RegSetValueExW");
        Check(RegSetValueExW(key, kValueNames[2], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              "RegSetValueExW");
        Check(RegSetValueExW(key, kValueNames[3], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              "RegSetValueExW");
        Check(RegSetValueExW(key, kValueNames[4], 0, REG_BINARY, blob, sizeof blob), "RegSetValueExW");
        RegCloseKey(key);
        phase.calls += 2 + kValues;
    }
    phase.Report();
}

void Read(HKEY root) {
    Phase phase{"read"};
    std::vector<BYTE> buffer(512);
    for (int k = 0; k < kKeys; ++k) {
        HKEY key = nullptr;
        Check(RegOpenKeyExW(root, KeyName(k).c_str(), 0, KEY_READ, &key), "RegOpenKeyExW");
        for (const wchar_t* name : kValueNames) {
            DWORD size = static_cast<DWORD>(buffer.size()), type = 0;
            Check(RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size), "RegQueryValueExW");
        }
        RegCloseKey(key);
        phase.calls += 2 + kValues;
    }
    phase.Report();
}

void Enumerate(HKEY root) {
    Phase phase{"enumerate"};
    wchar_t name[256];
    int seen = 0;
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        LONG rc = RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        ++phase.calls;
        if (rc == ERROR_NO_MORE_ITEMS) break;
        Check(rc, "RegEnumKeyExW");
        HKEY key = nullptr;
        Check(RegOpenKeyExW(root, name, 0, KEY_READ, &key), "RegOpenKeyExW");
        for (DWORD v = 0;; ++v) {
            wchar_t value_name[64];
            DWORD value_length = 64;
            rc = RegEnumValueW(key, v, value_name, &value_length, nullptr, nullptr, nullptr, nullptr);
            ++phase.calls;
            if (rc == ERROR_NO_MORE_ITEMS) break;
            Check(rc, "RegEnumValueW");
        }
        RegCloseKey(key);
        phase.calls += 2;
        ++seen;
    }
    if (seen != kKeys) Fail("enumeration (wrong count)", seen);
    phase.Report();
}

void Delete(HKEY root) {
    Phase phase{"delete"};
    for (int k = 0; k < kKeys; ++k) {
        Check(RegDeleteKeyW(root, KeyName(k).c_str()), "RegDeleteKeyW");
        ++phase.calls;
    }
    phase.Report();
}

}  // namespace

int main() {
    const std::wstring base = L"Software\\cw32-bench-" + std::to_wstring(GetCurrentProcessId());
    HKEY root = nullptr;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr),
          "RegCreateKeyExW");
    Create(root);
    Read(root);
    Enumerate(root);
    Delete(root);
    RegCloseKey(root);
    Check(RegDeleteKeyW(HKEY_CURRENT_USER, base.c_str()), "RegDeleteKeyW");
    return 0;
}
