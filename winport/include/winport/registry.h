// The registry family: keys, values, enumeration, the predefined hives and the 32/64-bit views,
// plus ExpandEnvironmentStringsW (which REG_EXPAND_SZ readers need). Real Win32 values.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#include <string>

// Predefined hives: sign-extended 32-bit values, as windows.h defines them.
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))
#define HKEY_DYN_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000006))

// Standard and generic access rights (shared with other object families).
#ifndef DELETE
#define DELETE 0x00010000L
#endif
#ifndef READ_CONTROL
#define READ_CONTROL 0x00020000L
#endif
#ifndef WRITE_DAC
#define WRITE_DAC 0x00040000L
#endif
#ifndef WRITE_OWNER
#define WRITE_OWNER 0x00080000L
#endif
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000L
#endif
#ifndef STANDARD_RIGHTS_REQUIRED
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#endif
#ifndef STANDARD_RIGHTS_READ
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#endif
#ifndef MAXIMUM_ALLOWED
#define MAXIMUM_ALLOWED 0x02000000L
#endif
#ifndef GENERIC_READ
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define GENERIC_EXECUTE 0x20000000L
#define GENERIC_ALL 0x10000000L
#endif

// Key access rights.
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_WOW64_RES 0x0300
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE 0x20019
#define KEY_ALL_ACCESS 0xF003F

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_FULL_RESOURCE_DESCRIPTOR 9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// RegCreateKeyExW options and dispositions.
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// Error codes the registry family returns (besides those in errors.h).
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif

extern "C" {
WINPORT_API LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                      PHKEY phkResult);
WINPORT_API LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                        DWORD dwOptions, REGSAM samDesired,
                                        const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                                        LPDWORD lpdwDisposition);
WINPORT_API LONG WINAPI RegCloseKey(HKEY hKey);
WINPORT_API LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
WINPORT_API LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                         LPBYTE lpData, LPDWORD lpcbData);
WINPORT_API LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                       const BYTE* lpData, DWORD cbData);
WINPORT_API LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
WINPORT_API LONG WINAPI RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD cchName);
WINPORT_API LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                      LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                      PFILETIME lpftLastWriteTime);
WINPORT_API LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                      LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINPORT_API LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                         LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                         LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                         LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);
WINPORT_API LONG WINAPI RegOverridePredefKey(HKEY hKey, HKEY hNewHKey);

// %NAME% references replaced from the process environment; unknown names stay as written.
// Returns the characters needed including the NUL (also when the buffer is too small), 0 on failure.
WINPORT_API DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);
}

namespace winport {

// Per-key access control of the POSIX registry, the part of a key's security descriptor that
// winport keeps: whether opening the key for reading, or for writing (values, subkeys, deletion),
// is refused with ERROR_ACCESS_DENIED. Returns 0 or the error of opening `subkey` below `root`.
WINPORT_API LONG RegSetKeyProtection(HKEY root, LPCWSTR subkey, bool deny_read, bool deny_write);

}  // namespace winport

namespace winport::testing {

// Whether this process is treated as a 32-bit process on 64-bit Windows, which sees
// HKLM\SOFTWARE through WOW6432Node. The default follows the build's pointer size.
WINPORT_API void EmulateWow64Process(bool is_32bit);
WINPORT_API bool IsWow64ProcessEmulated();

// PRAGMA integrity_check of system.db plus the registry's own invariants (every key's parent
// exists, every value's key exists). "ok" when the store is consistent, else what is wrong.
WINPORT_API std::string CheckRegistryStore();

}  // namespace winport::testing
