// The one table from POSIX errno values to Windows error codes. A call whose Windows
// counterpart answers otherwise for the same errno says so where it calls it (CreateFileW
// answers 80 for an existing file where other calls answer 183).
#pragma once

#include <winport/types.h>

#include <string>

namespace winport::detail {

DWORD ErrorFromErrno(int error);
// For a call on `path`: a missing entry is 2 when the folder it would be in exists, and 3 when
// that folder is missing as well, as Windows tells them apart.
DWORD ErrorFromErrno(int error, const std::string& path);

}  // namespace winport::detail
