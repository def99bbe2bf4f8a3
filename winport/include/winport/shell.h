// The shell's file operation, SHFileOperationW: FO_COPY of files and whole folder trees with
// the shell's destination rules. No window is ever shown on POSIX.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#define FO_MOVE 0x0001
#define FO_COPY 0x0002
#define FO_DELETE 0x0003
#define FO_RENAME 0x0004

#define FOF_MULTIDESTFILES 0x0001
#define FOF_CONFIRMMOUSE 0x0002
#define FOF_SILENT 0x0004
#define FOF_RENAMEONCOLLISION 0x0008
#define FOF_NOCONFIRMATION 0x0010
#define FOF_WANTMAPPINGHANDLE 0x0020
#define FOF_ALLOWUNDO 0x0040
#define FOF_FILESONLY 0x0080
#define FOF_SIMPLEPROGRESS 0x0100
#define FOF_NOCONFIRMMKDIR 0x0200
#define FOF_NOERRORUI 0x0400
#define FOF_NOCOPYSECURITYATTRIBS 0x0800
#define FOF_NORECURSION 0x1000

// The shell's own result codes (not Windows error codes) for the cases winport detects.
#define DE_SAMEFILE 0x71
#define DE_DESTSUBTREE 0x76
#define DE_FLDDESTISFILE 0x7E

typedef WORD FILEOP_FLAGS;

typedef struct _SHFILEOPSTRUCTW {
    HWND hwnd;
    UINT wFunc;
    LPCWSTR pFrom;  // double-zero-terminated list of paths
    LPCWSTR pTo;    // double-zero-terminated
    FILEOP_FLAGS fFlags;
    BOOL fAnyOperationsAborted;
    LPVOID hNameMappings;
    LPCWSTR lpszProgressTitle;
} SHFILEOPSTRUCTW, *LPSHFILEOPSTRUCTW;

extern "C" {
// 0 on success, otherwise the Windows error of the step that failed or one of the DE_ codes.
WINPORT_API int WINAPI SHFileOperationW(LPSHFILEOPSTRUCTW lpFileOp);
}
