// The Windows English (United States) system message texts that winport answers with.
#pragma once

#include <winport/types.h>

#include <optional>
#include <string>

namespace winport::detail {

// The text Windows returns for a system message id, its final "\r\n" included and inserts such
// as "%1" unexpanded; nothing when winport has no text for the id.
std::optional<std::wstring> SystemMessageText(DWORD id);

}  // namespace winport::detail
