// Accounts: splitting an account name into its domain and user, judging a password, and the
// rights and privileges accounts hold in the local security policy. None of these logs or throws.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>

// Splits "DOMAIN\user" at its first backslash: the text before it is the domain (possibly
// empty), all after it the user (further backslashes included). Without a backslash the domain
// is empty and the user is the whole name; with the backslash last, `user` keeps what it held.
// Case and blanks are kept; "user@domain" is a user name with no domain.
CW32_API void ParseDomainUser(const CString& account, CString& domain, CString& user);

// True when the password is at least 6 UTF-16 code units long, does not contain `user`
// (case-sensitive; an empty user name is in every password) and mixes at least two of the
// classes lower case, upper case, digits and the rest (which takes letters without case).
CW32_API bool isStrongPassword(CString user, CString password);

// Rights and privileges in the local security policy, by the policy's own names
// ("SeServiceLogonRight", "SeBackupPrivilege"), compared case-sensitively. An account is
// "DOMAIN\user" or a bare user name; a bare name or an empty domain means this computer.
// Each returns a Windows error code: 0 when the account holds the right (tests) or now holds it
// (grants); ERROR_INVALID_PARAMETER (87) for an empty account name, before anything is asked of
// the system; ERROR_NOT_FOUND (1168) from a test when the account does not hold the right; else
// the failing step's code (the account lookup's, or the policy's status translated).
CW32_API long HasPrivilege(const wchar_t* privilege, const wchar_t* account);
// Grants unless the account holds the right already (then nothing is asked of the policy).
// A right name of 260 characters or more is no right the policy knows: 87, and no grant asked.
CW32_API long AddPrivilege(const wchar_t* privilege, const wchar_t* account);
// The same for the user who runs the process, named by GetUserNameExW (NameSamCompatible); its
// failure is returned as its error code.
CW32_API long HasPrivilegeOnCurrentUser(const wchar_t* privilege);
CW32_API long AddPrivilegeOnCurrentUser(const wchar_t* privilege);
// "SeServiceLogonRight", the right to log on as a service; the grant is asked for even when the
// account holds it already.
CW32_API long HasRightLogonAsService(const wchar_t* account);
CW32_API long AddRightLogonAsService(const wchar_t* account);

// Checks a user name and password by a complete NTLM exchange through the security provider
// ("security.dll"), this process playing the client and the server. `domain` is the account's
// domain, the computer's name for a local account, or empty; for any other domain a domain
// controller must be known first. Returns 0 for valid credentials; else the status of the step
// that failed: the domain controller lookup's (2453 for an unknown domain), the thread's last
// error when the provider cannot be loaded, or the provider's security status (a wrong password:
// the server's refusal). Logs nothing; the password is only handed to the provider.
CW32_API long ValidateDomainUserBySSPI(const wchar_t* domain, const wchar_t* user, const wchar_t* password);
