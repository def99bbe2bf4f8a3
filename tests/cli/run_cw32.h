// Runs cw32 in this process: its exit code and the UTF-8 bytes it wrote to each stream.
#pragma once

#include "commands.h"
#include "text_io.h"

#include <sstream>
#include <string>
#include <vector>

namespace cw32::cli {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

inline Outcome RunCw32(const std::vector<std::wstring>& args) {
    std::ostringstream out, err;
    const int code = RunCommandLine(args, out, err);
    return {code, out.str(), err.str()};
}

// The command line as the failure messages show it.
inline std::string Shown(const std::vector<std::wstring>& args) {
    std::string shown = "cw32";
    for (const auto& a : args) shown += " " + ToUtf8(a);
    return shown;
}

}  // namespace cw32::cli
