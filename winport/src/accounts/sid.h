// Security identifiers in their binary form, as winport's account families build and compare them.
#pragma once

#include <winport/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace winport::detail::accounts {

using SidBytes = std::vector<BYTE>;

// Revision 1, the 48-bit identifier authority (big-endian), then the sub-authorities.
SidBytes MakeSid(std::uint64_t authority, const std::vector<DWORD>& sub_authorities);
// `sid` with one more sub-authority (a domain SID and a relative identifier).
SidBytes AppendRid(const SidBytes& sid, DWORD rid);

// The length of a well-formed SID, or 0 when `sid` is not one.
std::size_t SidLength(const void* sid);
SidBytes CopySid(const void* sid);  // `sid` must be well-formed

std::wstring SidToString(const SidBytes& sid);
std::optional<SidBytes> SidFromString(std::wstring_view text);

}  // namespace winport::detail::accounts
