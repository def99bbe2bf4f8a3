// Local user accounts through the network management calls (netapi32), as lm.h declares them.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {

typedef DWORD NET_API_STATUS;

#define NERR_Success 0
#define NERR_BASE 2100
#define NERR_UserNotFound (NERR_BASE + 121)
#define NERR_UserExists (NERR_BASE + 124)

#define USER_PRIV_GUEST 0
#define USER_PRIV_USER 1
#define USER_PRIV_ADMIN 2

#define UF_SCRIPT 0x0001
#define UF_ACCOUNTDISABLE 0x0002
#define UF_HOMEDIR_REQUIRED 0x0008
#define UF_LOCKOUT 0x0010
#define UF_PASSWD_NOTREQD 0x0020
#define UF_PASSWD_CANT_CHANGE 0x0040
#define UF_NORMAL_ACCOUNT 0x0200
#define UF_DONT_EXPIRE_PASSWD 0x10000

#define USER_NAME_PARMNUM 1
#define USER_PASSWORD_PARMNUM 3
#define USER_PRIV_PARMNUM 5

#define FILTER_NORMAL_ACCOUNT 0x0002
#define MAX_PREFERRED_LENGTH ((DWORD)-1)

typedef struct _USER_INFO_0 {
    LPWSTR usri0_name;
} USER_INFO_0, *PUSER_INFO_0, *LPUSER_INFO_0;

typedef struct _USER_INFO_1 {
    LPWSTR usri1_name;
    LPWSTR usri1_password;
    DWORD usri1_password_age;
    DWORD usri1_priv;
    LPWSTR usri1_home_dir;
    LPWSTR usri1_comment;
    DWORD usri1_flags;
    LPWSTR usri1_script_path;
} USER_INFO_1, *PUSER_INFO_1, *LPUSER_INFO_1;

typedef struct _USER_INFO_1003 {
    LPWSTR usri1003_password;
} USER_INFO_1003, *PUSER_INFO_1003, *LPUSER_INFO_1003;

WINPORT_API NET_API_STATUS WINAPI NetUserAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err);
WINPORT_API NET_API_STATUS WINAPI NetUserDel(LPCWSTR servername, LPCWSTR username);
WINPORT_API NET_API_STATUS WINAPI NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                                                 LPDWORD parm_err);
// Level 0, every local account (the POSIX users and the accounts added) in one buffer, whatever
// `prefmaxlen` asks; freed with NetApiBufferFree. Filter 0 or FILTER_NORMAL_ACCOUNT.
WINPORT_API NET_API_STATUS WINAPI NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE* bufptr,
                                              DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries,
                                              PDWORD resume_handle);
WINPORT_API NET_API_STATUS WINAPI NetApiBufferFree(LPVOID Buffer);
// The name of a domain controller of `domainname`, "\\\\DC", in a buffer released with
// NetApiBufferFree; NERR_DCNotFound when none is known.
WINPORT_API NET_API_STATUS WINAPI NetGetDCName(LPCWSTR servername, LPCWSTR domainname, LPBYTE* bufptr);
}
