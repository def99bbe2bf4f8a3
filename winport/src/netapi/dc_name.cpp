// POSIX emulation of NetGetDCName over the domains table; no library logic here.
#include <winport/errors.h>
#include <winport/netapi.h>

#include "accounts/account_directory.h"
#include "core/calllog.h"
#include "core/fault.h"
#include "core/local_memory.h"
#include "core/text.h"
#include "netapi/domain_directory.h"

#include <cstring>

using namespace winport::detail;

extern "C" NET_API_STATUS WINAPI NetGetDCName(LPCWSTR servername, LPCWSTR domainname, LPBYTE* bufptr) {
    LogCall("NetGetDCName", [&] {
        return ToUtf8(servername ? servername : L"null") + ", " + ToUtf8(domainname ? domainname : L"null");
    });
    if (FaultPoint("NetGetDCName")) return GetLastError();
    if (bufptr == nullptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (servername != nullptr && *servername != L'\0') {
        std::wstring_view server(servername);
        if (server.substr(0, 2) == L"\\\\") server.remove_prefix(2);
        if (FoldCase(server) != FoldCase(accounts::LocalDomain())) return RPC_S_SERVER_UNAVAILABLE;
    }
    // Without a domain Windows names the controller of the machine's own domain; a winport
    // machine stands in a workgroup and has none.
    if (domainname == nullptr || *domainname == L'\0') return NERR_DCNotFound;
    domains::DomainSession session;
    if (session.store == nullptr) return GetLastError();
    std::wstring controller;
    switch (domains::FindController(*session.store, domainname, controller)) {
        case domains::Found::Failed: return GetLastError();
        case domains::Found::No: return NERR_DCNotFound;
        case domains::Found::Yes: break;
    }
    const std::wstring name = L"\\\\" + controller;
    void* block = AllocateLocalBlock((name.size() + 1) * sizeof(wchar_t), false);
    if (block == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(block, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    *bufptr = static_cast<LPBYTE>(block);
    return NERR_Success;
}
