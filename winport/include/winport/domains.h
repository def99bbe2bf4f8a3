// winport's domains: the domains this machine knows of, each with its domain controller's name
// and the accounts (NT hashes only) its controller would check. Windows learns these from the
// network; winport keeps them in system.db, and cw32's `domain` subcommands manage them. There
// is no Windows counterpart: these functions exist in the POSIX build only.
#pragma once

#include <winport/export.h>
#include <winport/types.h>

#include <string>
#include <vector>

namespace winport {

struct DomainEntry {
    std::wstring name;
    std::wstring controller;          // without the leading "\\"
    std::vector<std::wstring> users;  // in name order
};

// Each returns 0 or a Windows error code: ERROR_INVALID_PARAMETER for a name that is empty or
// holds a backslash, ERROR_ALREADY_EXISTS for a domain or user already there, NERR_DCNotFound
// (2453) for an unknown domain, NERR_UserNotFound (2221) for an unknown domain user, and the
// store's error when system.db fails. Names compare without case. The password is turned into
// its NT hash at once; only the hash is kept.
WINPORT_API DWORD AddDomain(const wchar_t* name, const wchar_t* controller);
WINPORT_API DWORD RemoveDomain(const wchar_t* name);  // with its accounts
WINPORT_API DWORD ListDomains(std::vector<DomainEntry>& domains);  // in name order
WINPORT_API DWORD AddDomainUser(const wchar_t* domain, const wchar_t* user, const wchar_t* password);
WINPORT_API DWORD RemoveDomainUser(const wchar_t* domain, const wchar_t* user);

}  // namespace winport
