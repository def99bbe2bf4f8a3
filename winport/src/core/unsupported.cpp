// Loud refusal of unsupported flags and modes, shared by the winport families.
#include "core/unsupported.h"

#include <winport/errors.h>

#include <cstdio>
#include <mutex>
#include <set>

namespace winport::detail {

void ReportUnsupported(const char* function, const std::string& what) {
    static std::mutex* mutex = new std::mutex;
    static std::set<std::string>* said = new std::set<std::string>;
    std::string line = std::string("winport: ") + function + ": " + what + " is not supported";
    {
        std::lock_guard<std::mutex> lock(*mutex);
        if (said->insert(line).second) std::fprintf(stderr, "%s\n", line.c_str());
    }
    SetLastError(ERROR_NOT_SUPPORTED);
}

}  // namespace winport::detail
