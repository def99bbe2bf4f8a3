// MsiGetFileVersionW throughput, timed by the program itself so that the very same code runs on
// winport (POSIX build) and on Wine's installer service (mingw build under Wine). Reads the
// paths of the files to ask about from standard input, one a line (relative to the working
// folder, so both sides name them alike), and asks for each file's version the way the library
// does: the size first, then the text. Prints
// "files=N versioned=V calls=C seconds=S rate=R" (R: calls per second) after ROUNDS rounds.
//
// usage: cw32-file-version-bench [ROUNDS] < paths
#include <common-win32/platform.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    std::vector<std::wstring> paths;
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) paths.emplace_back(line.begin(), line.end());  // the corpus' names are ASCII
    }
    long calls = 0, versioned = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        for (const std::wstring& path : paths) {
            wchar_t probe[1] = {L'\0'};
            DWORD size = 1;
            UINT rc = MsiGetFileVersionW(path.c_str(), probe, &size, nullptr, nullptr);
            ++calls;
            if (rc != ERROR_MORE_DATA) continue;
            std::vector<wchar_t> text(size + 1);
            size += 1;
            rc = MsiGetFileVersionW(path.c_str(), text.data(), &size, nullptr, nullptr);
            ++calls;
            if (rc == ERROR_SUCCESS && round == 0) ++versioned;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("files=%zu versioned=%ld calls=%ld seconds=%.3f rate=%.0f\n", paths.size(), versioned, calls, seconds,
                calls / seconds);
    return paths.empty() ? 1 : 0;
}
