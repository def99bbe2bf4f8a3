// File-name wildcards as Windows reads them, shared by FindFirstFileW and the shell's copy.
#pragma once

#include <string_view>

namespace winport::detail {

bool HasWildcards(std::wstring_view name);

// Case-blind match of one name against a pattern. Besides "*" (any run) and "?" (one
// character), the command shell's rules hold: "?" also matches nothing at a dot or at the end
// of the name, a dot before "*", "?" or the end also matches the end of the name, and a "*"
// before a dot never runs past the name's last dot. So "*.*" matches every name and "*."
// matches the names without a dot.
bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name);

}  // namespace winport::detail
