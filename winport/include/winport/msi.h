// The installer service's file-version and product queries. Sizes are in characters without
// the terminator; a buffer too small gets ERROR_MORE_DATA (234) with the needed size.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {
// The file version of a PE file's version resource as "a.b.c.d", and its first language as a
// decimal LANGID when asked. 2 for a missing file, 1006 (ERROR_FILE_INVALID) for a file
// without a version resource (text, ELF, a PE without one, a malformed one).
WINPORT_API UINT WINAPI MsiGetFileVersionW(LPCWSTR szFilePath, LPWSTR lpVersionBuf, LPDWORD pcchVersionBuf,
                                           LPWSTR lpLangBuf, LPDWORD pcchLangBuf);
// A property of a product registered in the installer's keys: 1605 for an unknown product,
// 1608 for an unknown property, 87 for a malformed product code.
WINPORT_API UINT WINAPI MsiGetProductInfoW(LPCWSTR szProduct, LPCWSTR szAttribute, LPWSTR lpValueBuf,
                                           LPDWORD pcchValueBuf);
}
