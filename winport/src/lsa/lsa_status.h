// The status codes of the policy calls and the Windows errors they stand for.
#pragma once

#include <winport/lsa.h>

namespace winport::detail::lsa {

// The status whose Windows error is `error`, for a failure that reaches a policy call as an
// error code (an injected fault, the store); `otherwise` when the table holds none.
NTSTATUS StatusForError(DWORD error, NTSTATUS otherwise);

}  // namespace winport::detail::lsa
