// POSIX emulation of LookupAccountNameW, LookupAccountSidW and GetUserNameExW over the account
// directory; no library logic here.
#include <winport/errors.h>
#include <winport/security.h>

#include "accounts/account_directory.h"
#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"

#include <cstring>
#include <cwchar>

using namespace winport::detail;
using namespace winport::detail::accounts;

namespace {

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Only this computer answers: null, "" or its own name, with or without the leading "\\".
bool LocalSystem(LPCWSTR system) {
    if (system == nullptr || *system == L'\0') return true;
    std::wstring_view name(system);
    if (name.substr(0, 2) == L"\\\\") name.remove_prefix(2);
    return FoldCase(name) == FoldCase(LocalDomain());
}

std::string Printable(LPCWSTR text) { return text != nullptr ? ToUtf8(text) : std::string("null"); }

void CopyText(const std::wstring& text, LPWSTR buffer) { std::wmemcpy(buffer, text.c_str(), text.size() + 1); }

}  // namespace

extern "C" BOOL WINAPI LookupAccountNameW(LPCWSTR lpSystemName, LPCWSTR lpAccountName, PSID Sid, LPDWORD cbSid,
                                          LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName,
                                          PSID_NAME_USE peUse) {
    LogCall("LookupAccountNameW", [&] { return Printable(lpSystemName) + ", " + Printable(lpAccountName); });
    if (FaultPoint("LookupAccountNameW")) return FALSE;
    if (lpAccountName == nullptr || cbSid == nullptr || cchReferencedDomainName == nullptr || peUse == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!LocalSystem(lpSystemName)) return Fail(RPC_S_SERVER_UNAVAILABLE);
    AccountSession session;
    if (session.store == nullptr) return FALSE;
    Account account;
    const Found found = FindByName(*session.store, lpAccountName, account);
    if (found == Found::Failed) return FALSE;
    if (found == Found::No) return Fail(ERROR_NONE_MAPPED);
    const DWORD sid_size = static_cast<DWORD>(account.sid.size());
    const DWORD domain_size = static_cast<DWORD>(account.domain.size()) + 1;
    if (Sid == nullptr || *cbSid < sid_size || ReferencedDomainName == nullptr ||
        *cchReferencedDomainName < domain_size) {
        *cbSid = sid_size;
        *cchReferencedDomainName = domain_size;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(Sid, account.sid.data(), sid_size);
    CopyText(account.domain, ReferencedDomainName);
    *cbSid = sid_size;
    *cchReferencedDomainName = domain_size - 1;
    *peUse = account.use;
    return TRUE;
}

extern "C" BOOL WINAPI LookupAccountSidW(LPCWSTR lpSystemName, PSID Sid, LPWSTR Name, LPDWORD cchName,
                                         LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName,
                                         PSID_NAME_USE peUse) {
    LogCall("LookupAccountSidW", [&] {
        return Printable(lpSystemName) + ", " + (SidLength(Sid) ? ToUtf8(SidToString(CopySid(Sid))) : "invalid");
    });
    if (FaultPoint("LookupAccountSidW")) return FALSE;
    if (cchName == nullptr || cchReferencedDomainName == nullptr || peUse == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (SidLength(Sid) == 0) return Fail(ERROR_INVALID_SID);
    if (!LocalSystem(lpSystemName)) return Fail(RPC_S_SERVER_UNAVAILABLE);
    AccountSession session;
    if (session.store == nullptr) return FALSE;
    Account account;
    const Found found = FindBySid(*session.store, CopySid(Sid), account);
    if (found == Found::Failed) return FALSE;
    if (found == Found::No) return Fail(ERROR_NONE_MAPPED);
    const DWORD name_size = static_cast<DWORD>(account.name.size()) + 1;
    const DWORD domain_size = static_cast<DWORD>(account.domain.size()) + 1;
    if (Name == nullptr || *cchName < name_size || ReferencedDomainName == nullptr ||
        *cchReferencedDomainName < domain_size) {
        *cchName = name_size;
        *cchReferencedDomainName = domain_size;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    CopyText(account.name, Name);
    CopyText(account.domain, ReferencedDomainName);
    *cchName = name_size - 1;
    *cchReferencedDomainName = domain_size - 1;
    *peUse = account.use;
    return TRUE;
}

extern "C" BOOL WINAPI GetUserNameExW(EXTENDED_NAME_FORMAT NameFormat, LPWSTR lpNameBuffer, PULONG nSize) {
    LogCall("GetUserNameExW", [&] { return std::to_string(NameFormat); });
    if (FaultPoint("GetUserNameExW")) return FALSE;
    if (nSize == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    // A computer in no domain has only its SAM names: the directory's forms map to nothing.
    if (NameFormat != NameSamCompatible) return Fail(ERROR_NONE_MAPPED);
    const std::optional<std::wstring> user = CurrentPosixUser();
    if (!user) return Fail(ERROR_NONE_MAPPED);
    const std::wstring text = LocalDomain() + L"\\" + *user;
    const ULONG needed = static_cast<ULONG>(text.size()) + 1;
    if (lpNameBuffer == nullptr || *nSize < needed) {
        *nSize = needed;
        return Fail(ERROR_MORE_DATA);
    }
    CopyText(text, lpNameBuffer);
    *nSize = needed - 1;
    return TRUE;
}
