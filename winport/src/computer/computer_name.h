// The computer's NetBIOS name, for the families that name the local domain after it.
#pragma once

#include <string>

namespace winport::detail {

// The host name's first label, upper case, cut to the NetBIOS length (15).
std::wstring NetbiosName();

}  // namespace winport::detail
