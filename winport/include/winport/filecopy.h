// Copying and deleting single files: CopyFileW and DeleteFileW with the Windows rules
// (a read-only file refuses deletion and overwriting with 5, a folder is not a file).
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {
// Copies the contents, the read-only attribute and the modification time. With
// bFailIfExists an existing destination fails with 80 (ERROR_FILE_EXISTS).
WINPORT_API BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);
// Deletes a file or a link to a file; a read-only file or a folder fails with 5.
WINPORT_API BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);
}
