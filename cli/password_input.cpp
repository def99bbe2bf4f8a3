#include "password_input.h"

#include "text_io.h"

#include <cstdio>
#include <string>

#if defined(_WIN32)
#  include <common-win32/platform.h>
#  include <io.h>
#else
#  include <termios.h>
#  include <unistd.h>
#endif

namespace cw32::cli {
namespace {

// Echo is off while it lives and back as it was afterwards; nothing happens off a terminal.
class EchoOff {
public:
    EchoOff() {
#if defined(_WIN32)
        input_ = GetStdHandle(STD_INPUT_HANDLE);
        active_ = _isatty(_fileno(stdin)) && GetConsoleMode(input_, &mode_) &&
                  SetConsoleMode(input_, mode_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
#else
        active_ = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (active_) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
#endif
    }
    ~EchoOff() {
        if (!active_) return;
#if defined(_WIN32)
        SetConsoleMode(input_, mode_);
#else
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
#endif
        std::fputc('\n', stderr);  // the line end the user typed was not echoed either
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
#if defined(_WIN32)
    HANDLE input_ = nullptr;
    DWORD mode_ = 0;
#else
    termios saved_{};
#endif
};

}  // namespace

bool ReadPassword(const std::wstring& prompt, std::wstring& password) {
    password.clear();
    EchoOff echo_off;
    if (echo_off.active()) {
        const std::string shown = ToUtf8(prompt);
        std::fputs(shown.c_str(), stderr);
        std::fflush(stderr);
    }
    std::string line;
    int ch = 0;
    bool any = false;
    while ((ch = std::fgetc(stdin)) != EOF) {
        any = true;
        if (ch == '\n') break;
        line.push_back(static_cast<char>(ch));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password = FromUtf8(line);
    // The bytes are gone from this buffer before it is freed.
    for (char& c : line) *static_cast<volatile char*>(&c) = 0;
    return any;
}

}  // namespace cw32::cli
