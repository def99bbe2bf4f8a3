// cw32-demo-redist: a stand-in for a redistributable installer. It carries out its arguments
// in order, writing to standard output and error over time, and exits with a given code.
//
//   --out TEXT        TEXT and a line feed to standard output
//   --err TEXT        TEXT and a line feed to standard error
//   --hex HEX         raw bytes to standard output (zero bytes included), e.g. 61006263
//   --fill N          N bytes of "abc...z" to standard output in one write
//   --flood N         N bytes to standard output in 64 KB writes, as fast as the pipe takes them
//   --sleep MS        pause
//   --env NAME        "NAME=value" or "NAME is not set" to standard output
//   --cwd             the current directory to standard output
//   --args            each argument of this process as "[arg]" on one line, then exit 0
//   --exit-stamp FILE the monotonic clock in nanoseconds into FILE, just before exiting
//   --exit CODE       exit now with CODE (decimal or 0x hex)
// On POSIX an exit status holds 8 bits: a CODE of 0xC0000000 + N (N a signal number) ends the
// program by signal N instead, which winport reports as that same exit code.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

void Emit(std::FILE* stream, const char* data, std::size_t size) {
    std::fwrite(data, 1, size, stream);
    std::fflush(stream);
}

void EmitLine(std::FILE* stream, const std::string& text) { Emit(stream, (text + "\n").c_str(), text.size() + 1); }

std::string HexBytes(const char* hex) {
    std::string bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], '\0'};
        bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return bytes;
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, 'a');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

void Flood(unsigned long long total) {
    const std::string block = Pattern(64 * 1024);
    while (total > 0) {
        const std::size_t n = total < block.size() ? static_cast<std::size_t>(total) : block.size();
        if (std::fwrite(block.data(), 1, n, stdout) != n) return;  // the reader has gone
        total -= n;
    }
    std::fflush(stdout);
}

std::string CurrentDirectory() {
#if defined(_WIN32)
    char buf[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return std::string(buf, n);
#else
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
#endif
}

[[noreturn]] void ExitWith(unsigned long code) {
    std::fflush(nullptr);
#if defined(_WIN32)
    ExitProcess(static_cast<UINT>(code));
#else
    if (code > 255 && (code & 0xFFFFFF00ul) == 0xC0000000ul && (code & 0xFF) > 0 && (code & 0xFF) < 32) {
        std::signal(static_cast<int>(code & 0xFF), SIG_DFL);
        std::raise(static_cast<int>(code & 0xFF));
    }
    std::_Exit(static_cast<int>(code & 0xFF));
#endif
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Bytes leave as given: no line-feed translation.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool has_value = i + 1 < argc;
        if (option == "--out" && has_value) {
            EmitLine(stdout, argv[++i]);
        } else if (option == "--err" && has_value) {
            EmitLine(stderr, argv[++i]);
        } else if (option == "--hex" && has_value) {
            const std::string bytes = HexBytes(argv[++i]);
            Emit(stdout, bytes.data(), bytes.size());
        } else if (option == "--fill" && has_value) {
            const std::string bytes = Pattern(std::strtoul(argv[++i], nullptr, 10));
            Emit(stdout, bytes.data(), bytes.size());
        } else if (option == "--flood" && has_value) {
            Flood(std::strtoull(argv[++i], nullptr, 10));
        } else if (option == "--sleep" && has_value) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::strtoul(argv[++i], nullptr, 10)));
        } else if (option == "--env" && has_value) {
            const char* name = argv[++i];
            const char* value = std::getenv(name);
            EmitLine(stdout, value ? std::string(name) + "=" + value : std::string(name) + " is not set");
        } else if (option == "--cwd") {
            EmitLine(stdout, CurrentDirectory());
        } else if (option == "--args") {
            std::string line;
            for (int a = 0; a < argc; ++a) line += std::string("[") + argv[a] + "]";
            EmitLine(stdout, line);
            return 0;  // the rest are the arguments being shown
        } else if (option == "--exit-stamp" && has_value) {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            if (std::FILE* f = std::fopen(argv[++i], "w")) {
                std::fprintf(f, "%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fclose(f);
            }
        } else if (option == "--exit" && has_value) {
            ExitWith(std::strtoul(argv[++i], nullptr, 0));
        } else {
            std::fprintf(stderr, "cw32-demo-redist: unknown argument '%s'\n", option.c_str());
            return 2;
        }
    }
    return 0;
}
