// POSIX emulation of GetFileAttributesW and SetFileAttributesW; no library logic here.
#include <winport/errors.h>
#include <winport/fileattr.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "core/posix_fs.h"
#include "core/unsupported.h"

#include <cerrno>
#include <cstdio>

using namespace winport::detail;

extern "C" DWORD WINAPI GetFileAttributesW(LPCWSTR file_name) {
    LogCall("GetFileAttributesW", [&] { return ToPosixPath(file_name); });
    if (FaultPoint("GetFileAttributesW")) return INVALID_FILE_ATTRIBUTES;
    std::string path;
    struct stat st;
    if (!fs::StatEntry(file_name, path, st)) return INVALID_FILE_ATTRIBUTES;
    return fs::AttributesFromStat(path, st);
}

extern "C" BOOL WINAPI SetFileAttributesW(LPCWSTR file_name, DWORD attributes) {
    LogCall("SetFileAttributesW", [&] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", attributes);
        return ToPosixPath(file_name) + ", " + hex;
    });
    if (FaultPoint("SetFileAttributesW")) return FALSE;
    // Only the read-only bit has a POSIX meaning; the archive and indexing marks change
    // nothing that anyone could observe, so they are accepted. Anything else would be lost.
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if ((attributes & ~kKept) != 0) {
        char bits[16];
        std::snprintf(bits, sizeof bits, "0x%X", attributes & ~kKept);
        ReportUnsupported("SetFileAttributesW", std::string("the attribute bits ") + bits);
        return FALSE;
    }
    std::string path;
    struct stat st;
    if (!fs::StatEntry(file_name, path, st)) return FALSE;
    // A link has no permissions of its own on POSIX, and changing what it leads to would
    // reach outside the link: nothing to do.
    if (S_ISLNK(st.st_mode)) return TRUE;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH))
                                                  : (mode | S_IWUSR);
    if (::chmod(path.c_str(), mode) != 0) {
        SetLastError(fs::ErrorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}
