// Runs a service's program the way the control manager does: detached from whoever asked.
#pragma once

#include <winport/types.h>

#include <cstdint>
#include <string>

namespace winport::detail::scm {

// Runs the Windows command line `command_line` (split and searched by the Windows rules) as a
// process of its own session that outlives the caller and that nothing waits on: standard
// input and output are /dev/null, no other descriptor is inherited, the signal mask and
// dispositions are the defaults, and the environment is the caller's with
// WINPORT_SERVICE_NAME=`service`. Returns its pid, or 0 with *error set (2 for a program that
// does not exist, or why it could not run).
std::int64_t SpawnServiceProcess(const std::wstring& command_line, const std::wstring& service, DWORD* error);

}  // namespace winport::detail::scm
