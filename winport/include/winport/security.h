// Security identifiers and account names: the SID type and its helpers (advapi32), the account
// lookups, and the current user's name (secur32).
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {

typedef struct _SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
} SID_IDENTIFIER_AUTHORITY, *PSID_IDENTIFIER_AUTHORITY;

typedef struct _SID {
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
    DWORD SubAuthority[1];
} SID, *PISID;

typedef PVOID PSID;

#define SID_REVISION 1
#define SID_MAX_SUB_AUTHORITIES 15
#define SECURITY_MAX_SID_SIZE 68

typedef enum _SID_NAME_USE {
    SidTypeUser = 1,
    SidTypeGroup,
    SidTypeDomain,
    SidTypeAlias,
    SidTypeWellKnownGroup,
    SidTypeDeletedAccount,
    SidTypeInvalid,
    SidTypeUnknown,
    SidTypeComputer,
    SidTypeLabel,
    SidTypeLogonSession
} SID_NAME_USE, *PSID_NAME_USE;

typedef enum {
    NameUnknown = 0,
    NameFullyQualifiedDN = 1,
    NameSamCompatible = 2,
    NameDisplay = 3,
    NameUniqueId = 6,
    NameCanonical = 7,
    NameUserPrincipal = 8,
    NameCanonicalEx = 9,
    NameServicePrincipal = 10,
    NameDnsDomain = 12,
    NameGivenName = 13,
    NameSurname = 14
} EXTENDED_NAME_FORMAT, *PEXTENDED_NAME_FORMAT;

WINPORT_API BOOL WINAPI IsValidSid(PSID pSid);
WINPORT_API DWORD WINAPI GetLengthSid(PSID pSid);
WINPORT_API BOOL WINAPI EqualSid(PSID pSid1, PSID pSid2);
// "S-1-5-32-544" and back; the SID made from a string is LocalAlloc'ed, freed with LocalFree.
WINPORT_API BOOL WINAPI ConvertSidToStringSidW(PSID Sid, LPWSTR* StringSid);
WINPORT_API BOOL WINAPI ConvertStringSidToSidW(LPCWSTR StringSid, PSID* Sid);

// "DOMAIN\name", ".\name" or a bare name, compared without case. A buffer too small fails with
// ERROR_INSUFFICIENT_BUFFER and both sizes set to what is needed; an unknown name with
// ERROR_NONE_MAPPED.
WINPORT_API BOOL WINAPI LookupAccountNameW(LPCWSTR lpSystemName, LPCWSTR lpAccountName, PSID Sid, LPDWORD cbSid,
                                           LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName,
                                           PSID_NAME_USE peUse);
WINPORT_API BOOL WINAPI LookupAccountSidW(LPCWSTR lpSystemName, PSID Sid, LPWSTR Name, LPDWORD cchName,
                                          LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName,
                                          PSID_NAME_USE peUse);

// NameSamCompatible: "COMPUTER\user" for the POSIX user who runs the process.
WINPORT_API BOOL WINAPI GetUserNameExW(EXTENDED_NAME_FORMAT NameFormat, LPWSTR lpNameBuffer, PULONG nSize);
}
