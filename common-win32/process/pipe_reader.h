// The runner's output pipe: its creation and the reading of what is waiting in it.
#pragma once

#include "common-win32/cstring.h"
#include "common-win32/host.h"
#include "common-win32/platform.h"

namespace cw32::process {

constexpr DWORD kPipeReadBytes = 1024;

// Creates the inheritable output pipe and returns its write end (also left in *write_end).
// On failure both ends stay INVALID_HANDLE_VALUE and the failure is logged as
// "[SetupPipeAndReader] Failed to create Pipe. [Error: <code>]".
HANDLE SetupPipeAndReader(HANDLE* write_end, HANDLE* read_end, boost::shared_ptr<ILogger> logger);

// Reads what the pipe holds at this moment, without waiting for more: each read of at most
// `size` bytes goes to the host's Write (level 2, unstamped, up to its first zero byte, by the
// ANSI code page) and, when `output` is not null, is appended to *output. A failing peek or
// read ends this pass quietly.
void ReadPipeOutput(boost::shared_ptr<ILogger> logger, HANDLE read_end, char* buffer, DWORD size, CString* output);

}  // namespace cw32::process
