// System message texts (FormatMessageW) and the local heap that hands them to callers.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#include <cstdarg>
#include <cstddef>

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

extern "C" {
// Messages come from winport's table of the Windows English (United States) system texts.
// Languages: 0 and the default pseudo-languages 0x400 (user) and 0x800 (system) find them, as
// do 0x409 and 0x009 (English without a region); any other language fails with
// ERROR_RESOURCE_LANG_NOT_FOUND, as Windows does for a language it has no texts in.
// FORMAT_MESSAGE_FROM_HMODULE and line widths other than 0 and 0xFF fail with ERROR_NOT_SUPPORTED.
WINPORT_API DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                        LPWSTR lpBuffer, DWORD nSize, va_list* Arguments);

// LMEM_FIXED blocks (optionally LMEM_ZEROINIT); LMEM_MOVEABLE fails with ERROR_NOT_SUPPORTED.
WINPORT_API HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
// Returns null on success; the handle itself with ERROR_INVALID_HANDLE when winport did not
// allocate it (a block freed twice included).
WINPORT_API HLOCAL WINAPI LocalFree(HLOCAL hMem);
}
