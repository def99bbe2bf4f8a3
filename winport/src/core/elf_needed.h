// The names of the libraries an ELF shared object needs (its DT_NEEDED entries).
#pragma once

#include <string>
#include <vector>

namespace winport::detail {

// Empty when the file cannot be read or is not an ELF object of this machine's class.
std::vector<std::string> ElfNeededLibraries(const std::string& path);

}  // namespace winport::detail
