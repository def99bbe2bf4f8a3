// The share modes of the files this process holds open. POSIX has no mandatory sharing, so
// winport keeps the Windows rule between its own handles: an operation on a file needs every
// open of it to share that use.
#pragma once

#include <winport/types.h>

#include <sys/types.h>

namespace winport::detail {

// True when every open handle of the file (device, inode) shares `uses` (FILE_SHARE_* bits).
bool OpenHandlesShare(dev_t device, ino_t inode, DWORD uses);

}  // namespace winport::detail
