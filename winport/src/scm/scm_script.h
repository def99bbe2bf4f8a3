// Scripted services, the test seam that answers for a named service from a list instead of
// from its process. Each hook returns nothing for a service that is not scripted, so the call
// goes on as usual; for a scripted one it gives the call's result (the last error set).
#pragma once

#include <winport/service.h>

#include <optional>
#include <string>

namespace winport::detail::scm {

std::optional<BOOL> ScriptedQuery(const std::wstring& folded, SERVICE_STATUS* status);
// The state the next query would report, without using the answer up.
std::optional<DWORD> ScriptedState(const std::wstring& folded);
std::optional<BOOL> ScriptedStart(const std::wstring& folded);
std::optional<BOOL> ScriptedControl(const std::wstring& folded, DWORD control, SERVICE_STATUS* status);

}  // namespace winport::detail::scm
