// The privilege and logon-right names of Windows' local policy. The names are exact: the policy
// stores and compares them as given, so "seservicelogonright" is no right at all.
#include "lsa/right_names.h"

#include <algorithm>
#include <iterator>

namespace winport::detail::lsa {
namespace {

// In ordinal order. SeUnsolicitedInputPrivilege is left out: it was never a privilege the
// policy would grant.
constexpr std::wstring_view kPrivileges[] = {
    L"SeCreateTokenPrivilege",
    L"SeAssignPrimaryTokenPrivilege",
    L"SeLockMemoryPrivilege",
    L"SeIncreaseQuotaPrivilege",
    L"SeMachineAccountPrivilege",
    L"SeTcbPrivilege",
    L"SeSecurityPrivilege",
    L"SeTakeOwnershipPrivilege",
    L"SeLoadDriverPrivilege",
    L"SeSystemProfilePrivilege",
    L"SeSystemtimePrivilege",
    L"SeProfileSingleProcessPrivilege",
    L"SeIncreaseBasePriorityPrivilege",
    L"SeCreatePagefilePrivilege",
    L"SeCreatePermanentPrivilege",
    L"SeBackupPrivilege",
    L"SeRestorePrivilege",
    L"SeShutdownPrivilege",
    L"SeDebugPrivilege",
    L"SeAuditPrivilege",
    L"SeSystemEnvironmentPrivilege",
    L"SeChangeNotifyPrivilege",
    L"SeRemoteShutdownPrivilege",
    L"SeUndockPrivilege",
    L"SeSyncAgentPrivilege",
    L"SeEnableDelegationPrivilege",
    L"SeManageVolumePrivilege",
    L"SeImpersonatePrivilege",
    L"SeCreateGlobalPrivilege",
    L"SeTrustedCredManAccessPrivilege",
    L"SeRelabelPrivilege",
    L"SeIncreaseWorkingSetPrivilege",
    L"SeTimeZonePrivilege",
    L"SeCreateSymbolicLinkPrivilege",
    L"SeDelegateSessionUserImpersonatePrivilege",
};

constexpr std::wstring_view kLogonRights[] = {
    L"SeInteractiveLogonRight",     L"SeNetworkLogonRight",          L"SeBatchLogonRight",
    L"SeServiceLogonRight",         L"SeRemoteInteractiveLogonRight", L"SeDenyInteractiveLogonRight",
    L"SeDenyNetworkLogonRight",     L"SeDenyBatchLogonRight",        L"SeDenyServiceLogonRight",
    L"SeDenyRemoteInteractiveLogonRight",
};

}  // namespace

bool KnownRight(std::wstring_view name) {
    return std::find(std::begin(kPrivileges), std::end(kPrivileges), name) != std::end(kPrivileges) ||
           std::find(std::begin(kLogonRights), std::end(kLogonRights), name) != std::end(kLogonRights);
}

}  // namespace winport::detail::lsa
