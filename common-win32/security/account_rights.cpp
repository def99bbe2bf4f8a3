// Account rights: testing and granting a right or privilege that the local security policy holds
// for an account, named or the user who runs the process. Nothing is logged; the result is a
// Windows error code. Inside the two policy sequences a failing step is thrown as its code and
// caught at the end of the same sequence; the owners close what was opened on the way out.
#include <common-win32/accounts.h>
#include <common-win32/system_queries.h>

#include "support/unique_handle.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

namespace {

constexpr DWORD kSidBytes = 10240;
constexpr DWORD kDomainChars = 260;
constexpr ULONG kUserChars = 8192;
// The grant's copy of the right name: 259 characters and the terminator.
constexpr std::size_t kRightChars = 260;
const wchar_t kServiceLogonRight[] = L"SeServiceLogonRight";

using RightsArray = cw32::UniqueLsaMemory<PLSA_UNICODE_STRING>;

void Raise(DWORD code) { throw code; }

void OpenPolicy(cw32::UniquePolicyHandle& policy) {
    LSA_OBJECT_ATTRIBUTES attributes;
    std::memset(&attributes, 0, sizeof attributes);
    const NTSTATUS status = LsaOpenPolicy(nullptr, &attributes, POLICY_ALL_ACCESS, policy.put());
    if (status != 0) Raise(LsaNtStatusToWinError(status));
}

// The account's SID, looked up by its fully qualified name only.
std::vector<BYTE> LookupAccount(const wchar_t* domain, const wchar_t* user) {
    CString name;
    name.Format(L"%s\\%s", domain, user);
    std::vector<BYTE> sid(kSidBytes, 0);
    std::vector<wchar_t> referenced(kDomainChars, L'\0');
    DWORD sid_size = kSidBytes;
    DWORD domain_size = kDomainChars;
    SID_NAME_USE use;
    if (!LookupAccountNameW(nullptr, name, sid.data(), &sid_size, referenced.data(), &domain_size, &use))
        Raise(GetLastError());
    return sid;
}

bool SameRight(const LSA_UNICODE_STRING& right, const wchar_t* privilege) {
    const std::size_t length = right.Length / sizeof(WCHAR);
    return length == std::wcslen(privilege) && (length == 0 || std::wmemcmp(right.Buffer, privilege, length) == 0);
}

long HasAccountRight(const wchar_t* privilege, const wchar_t* domain, const wchar_t* user) {
    cw32::UniquePolicyHandle policy;
    try {
        OpenPolicy(policy);
        std::vector<BYTE> sid = LookupAccount(domain, user);
        PLSA_UNICODE_STRING listed = nullptr;
        ULONG count = 0;
        const NTSTATUS status = LsaEnumerateAccountRights(policy.get(), sid.data(), &listed, &count);
        RightsArray rights(status == 0 ? listed : nullptr);
        if (status != 0) {
            // An account the policy holds nothing for is reported as not found: no rights.
            const DWORD code = LsaNtStatusToWinError(status);
            if (code != ERROR_FILE_NOT_FOUND) Raise(code);
            count = 0;
        }
        for (ULONG i = 0; i < count; ++i)
            if (SameRight(rights.get()[i], privilege)) return ERROR_SUCCESS;
        return ERROR_NOT_FOUND;
    } catch (DWORD code) {
        return static_cast<long>(code);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

long AddAccountRight(const wchar_t* privilege, const wchar_t* domain, const wchar_t* user) {
    cw32::UniquePolicyHandle policy;
    try {
        OpenPolicy(policy);
        std::vector<BYTE> sid = LookupAccount(domain, user);
        // A name that does not fit the 260-character copy is refused as a bad parameter rather
        // than cut: a shortened name would ask for a right the caller never named, and no right
        // of the policy is that long. The steps before keep their order and their failures.
        const std::size_t length = std::wcslen(privilege);
        if (length >= kRightChars) Raise(ERROR_INVALID_PARAMETER);
        wchar_t copy[kRightChars] = {};
        std::wmemcpy(copy, privilege, length);
        LSA_UNICODE_STRING right;
        right.Buffer = copy;
        right.Length = static_cast<USHORT>(length * sizeof(WCHAR));
        right.MaximumLength = static_cast<USHORT>(right.Length + sizeof(WCHAR));
        const NTSTATUS status = LsaAddAccountRights(policy.get(), sid.data(), &right, 1);
        if (status != 0) Raise(LsaNtStatusToWinError(status));
        return ERROR_SUCCESS;
    } catch (DWORD code) {
        return static_cast<long>(code);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

using AccountRightStep = long (*)(const wchar_t* privilege, const wchar_t* domain, const wchar_t* user);

// The account name split into domain and user, a bare or domain-less name taken as this
// computer's, and handed to `step`.
long ForAccount(const wchar_t* privilege, const wchar_t* account, AccountRightStep step) {
    if (privilege == nullptr || account == nullptr || account[0] == L'\0') return ERROR_INVALID_PARAMETER;
    CString domain, user;
    ParseDomainUser(account, domain, user);
    if (domain.IsEmpty()) myGetComputerName(domain);
    return step(privilege, domain, user);
}

long AddUnlessHeld(const wchar_t* privilege, const wchar_t* domain, const wchar_t* user) {
    // A failed test does not stop the grant: its result is the one returned.
    if (HasAccountRight(privilege, domain, user) == ERROR_SUCCESS) return ERROR_SUCCESS;
    return AddAccountRight(privilege, domain, user);
}

using AccountOperation = long (*)(const wchar_t* privilege, const wchar_t* account);

long ForCurrentUser(const wchar_t* privilege, AccountOperation operation) {
    std::vector<wchar_t> name(kUserChars, L'\0');
    ULONG size = kUserChars;
    if (!GetUserNameExW(NameSamCompatible, name.data(), &size)) return static_cast<long>(GetLastError());
    return operation(privilege, name.data());
}

}  // namespace

long HasPrivilege(const wchar_t* privilege, const wchar_t* account) {
    return ForAccount(privilege, account, HasAccountRight);
}

long AddPrivilege(const wchar_t* privilege, const wchar_t* account) {
    return ForAccount(privilege, account, AddUnlessHeld);
}

long HasPrivilegeOnCurrentUser(const wchar_t* privilege) { return ForCurrentUser(privilege, HasPrivilege); }

long AddPrivilegeOnCurrentUser(const wchar_t* privilege) { return ForCurrentUser(privilege, AddPrivilege); }

long HasRightLogonAsService(const wchar_t* account) {
    return ForAccount(kServiceLogonRight, account, HasAccountRight);
}

long AddRightLogonAsService(const wchar_t* account) {
    return ForAccount(kServiceLogonRight, account, AddAccountRight);
}
