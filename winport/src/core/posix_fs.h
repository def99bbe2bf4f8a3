// POSIX file-system helpers shared by winport's file families (attributes, copy, delete,
// find, folders, shell): attributes from stat, the copy of one file.
#pragma once

#include <winport/types.h>

#include "core/errno_errors.h"

#include <string>
#include <sys/stat.h>

namespace winport::detail::fs {

using detail::ErrorFromErrno;  // the one table, in core

// Windows' read-only attribute is the absence of the owner's write permission. Checked by
// hand: winport often runs as root, whom POSIX permissions never stop.
inline bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

// Converts a Windows path and reads the entry it names (a link itself, not what it leads
// to). False with the Windows error set when the name is empty or missing.
bool StatEntry(const WCHAR* name, std::string& path, struct stat& st);

// True when `path` is a symbolic link that leads to a folder.
bool IsLinkToDirectory(const std::string& path, const struct stat& lst);

// The attributes of the entry whose lstat is `lst`: links are reparse points, with the folder
// bit when they lead to one; plain files carry the archive bit, as Windows gives new files.
DWORD AttributesFromStat(const std::string& path, const struct stat& lst);

// 100-ns ticks since 1601 from a POSIX time.
FILETIME ToFileTime(const struct timespec& ts);

// Copies one file's bytes, permissions and modification time. Returns 0 or the Windows
// error. An existing destination fails with 80 when `fail_if_exists`, with 5 when it is a
// folder, and with 5 when it is read-only unless `overwrite_read_only`.
DWORD CopyOneFile(const std::string& from, const std::string& to, bool fail_if_exists, bool overwrite_read_only);

// True when `path` leads to a folder (through links).
bool IsDirectory(const std::string& path);

// Everything before the last '/', "/" for a child of the root, "." when there is none.
std::string ParentOf(const std::string& path);
std::string BaseNameOf(const std::string& path);

}  // namespace winport::detail::fs
