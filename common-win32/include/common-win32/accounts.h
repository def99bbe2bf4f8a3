// Accounts: splitting an account name into its domain and user, and judging a password.
// Neither logs, throws or touches the system's state.
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

// Checks a user name and password by a complete NTLM exchange through the security provider
// ("security.dll"), this process playing the client and the server. `domain` is the account's
// domain, the computer's name for a local account, or empty; for any other domain a domain
// controller must be known first. Returns 0 for valid credentials; else the status of the step
// that failed: the domain controller lookup's (2453 for an unknown domain), the thread's last
// error when the provider cannot be loaded, or the provider's security status (a wrong password:
// the server's refusal). Logs nothing; the password is only handed to the provider.
CW32_API long ValidateDomainUserBySSPI(const wchar_t* domain, const wchar_t* user, const wchar_t* password);
