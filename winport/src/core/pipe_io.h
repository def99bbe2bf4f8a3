// Reading and writing pipe ends, for the family that owns ReadFile and WriteFile.
#pragma once

#include <winport/types.h>

namespace winport::detail {

bool IsPipeHandle(const void* handle);
// ReadFile on a pipe: blocks until data or end; the end of a pipe whose writers are all gone
// fails with ERROR_BROKEN_PIPE, as Windows reports it for anonymous pipes.
BOOL ReadPipe(void* handle, void* buffer, DWORD size, DWORD* read);
BOOL WritePipe(void* handle, const void* buffer, DWORD size, DWORD* written);

}  // namespace winport::detail
