// Loud refusal of what winport does not emulate: a flag, mode or code page that Windows has.
#pragma once

#include <string>

namespace winport::detail {

// Says "winport: <function>: <what> is not supported" on stderr (once per distinct text, so a
// loop does not flood the log) and sets ERROR_NOT_SUPPORTED.
void ReportUnsupported(const char* function, const std::string& what);

}  // namespace winport::detail
