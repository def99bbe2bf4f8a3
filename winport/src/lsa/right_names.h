// The names of the privileges and account rights the policy knows.
#pragma once

#include <string_view>

namespace winport::detail::lsa {

// True for a privilege ("Se...Privilege") or a logon right ("Se...LogonRight") that Windows'
// policy grants, spelled exactly as the system spells it.
bool KnownRight(std::wstring_view name);

}  // namespace winport::detail::lsa
