// cw32: the command-line host of common-win32. Collects the arguments as wide text and hands
// them to the dispatcher; results and log lines leave as UTF-8 bytes.
#include "commands.h"
#include "text_io.h"

#include "support/unique_handle.h"

#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

namespace {

// The narrow argv of a Windows program is in the ANSI code page and loses what it cannot
// hold; the wide command line keeps every character.
std::vector<std::wstring> WideArguments() {
    int count = 0;
    const cw32::UniqueLocalMemory<wchar_t**> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> args;
    for (int i = 1; wide && i < count; ++i) args.emplace_back(wide.get()[i]);
    return args;
}

}  // namespace

int main() {
    // Binary mode: the UTF-8 bytes and line feeds reach the pipe or file as written.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return cw32::cli::RunCommandLine(WideArguments(), std::cout, std::cerr);
}

#else

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(cw32::cli::FromUtf8(argv[i]));
    return cw32::cli::RunCommandLine(args, std::cout, std::cerr);
}

#endif
