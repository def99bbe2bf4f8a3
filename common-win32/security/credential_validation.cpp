// Credential validation by a complete NTLM exchange inside this process: the client side
// presents the credentials, the server side accepts or refuses them.
#include <common-win32/accounts.h>
#include <common-win32/platform.h>
#include <common-win32/system_queries.h>

#include "support/unique_handle.h"

namespace {

// Fixed by the exchange's design, not asked of the package: NTLM's messages are far smaller.
constexpr unsigned long kTokenSize = 8192;

// A step of the exchange failed with this security status; carried to the operation's end.
struct SecurityFailure {
    SECURITY_STATUS status;
};
// A step failed with its reason in the thread's last error.
struct PlatformFailure {};

// The provider's function table. security.dll stays loaded when the operation ends, on
// purpose: the provider keeps process-wide state (its packages, their own modules) that the
// next validation reuses, and unloading it under the table's function pointers is what other
// callers in the host's process could trip over. It is loaded once per process in effect, as
// the system itself keeps it.
PSecurityFunctionTableW SecurityInterface() {
    HMODULE module = LoadLibraryW(L"security.dll");
    if (module == nullptr) throw PlatformFailure{};
    FARPROC entry = GetProcAddress(module, "InitSecurityInterfaceW");
    if (entry == nullptr) throw PlatformFailure{};
    auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_W>(reinterpret_cast<void*>(entry));
    PSecurityFunctionTableW table = init();
    if (table == nullptr) throw PlatformFailure{};
    return table;
}

// 0 when a domain controller of `domain` is known (or none is needed); else the status to return.
long CheckDomainReachable(const wchar_t* domain) {
    if (*domain == L'\0') return 0;
    CString computer;
    if (!myGetComputerName(computer)) return static_cast<long>(GetLastError());
    if (_wcsicmp(computer.GetString(), domain) == 0) return 0;
    cw32::UniqueNetBuffer<LPBYTE> controller;
    const NET_API_STATUS status = NetGetDCName(nullptr, domain, controller.put());
    return static_cast<long>(status);  // the name itself is not used
}

// Each side is called until it says it is done; its status ends the exchange otherwise.
void Exchange(PSecurityFunctionTableW table, wchar_t* package, cw32::SecurityHandle& client_credential,
              cw32::SecurityHandle& server_credential, cw32::SecurityHandle& client_context,
              cw32::SecurityHandle& server_context) {
    unsigned char buffer_a[kTokenSize] = {};  // the client's token to the server
    unsigned char buffer_b[kTokenSize] = {};  // the server's token to the client
    SecBuffer token_a{kTokenSize, SECBUFFER_TOKEN, buffer_a};
    SecBuffer token_b{kTokenSize, SECBUFFER_TOKEN, buffer_b};
    SecBufferDesc list_a{SECBUFFER_VERSION, 1, &token_a};
    SecBufferDesc list_b{SECBUFFER_VERSION, 1, &token_b};
    bool client_pending = true, server_pending = true;
    bool client_created = false, server_created = false;
    ULONG attributes = 0;
    TimeStamp expiry;
    while (client_pending || server_pending) {
        if (client_pending) {
            token_a.cbBuffer = kTokenSize;
            const SECURITY_STATUS status = table->InitializeSecurityContextW(
                &client_credential.handle, client_created ? &client_context.handle : nullptr, package,
                ISC_REQ_CONNECTION, 0, SECURITY_NATIVE_DREP, client_created ? &list_b : nullptr, 0,
                &client_context.handle, &list_a, &attributes, &expiry);
            client_created = true;
            if (status == SEC_E_OK)
                client_pending = false;
            else if (status != SEC_I_CONTINUE_NEEDED)
                throw SecurityFailure{status};
        }
        if (server_pending) {
            token_b.cbBuffer = kTokenSize;
            const SECURITY_STATUS status = table->AcceptSecurityContext(
                &server_credential.handle, server_created ? &server_context.handle : nullptr, &list_a,
                ASC_REQ_CONNECTION, SECURITY_NATIVE_DREP, &server_context.handle, &list_b, &attributes, &expiry);
            server_created = true;
            if (status == SEC_E_OK)
                server_pending = false;
            else if (status != SEC_I_CONTINUE_NEEDED)
                throw SecurityFailure{status};
        }
    }
}

}  // namespace

long ValidateDomainUserBySSPI(const wchar_t* domain, const wchar_t* user, const wchar_t* password) {
    if (const long unreachable = CheckDomainReachable(domain); unreachable != 0) return unreachable;

    long result = SEC_E_OK;
    cw32::SecurityHandle client_credential, server_credential, client_context, server_context;
    cw32::UniqueCredentialHandle client_credential_owner, server_credential_owner;
    cw32::UniqueContextHandle client_context_owner, server_context_owner;
    try {
        PSecurityFunctionTableW table = SecurityInterface();
        for (cw32::SecurityHandle* record : {&client_credential, &server_credential, &client_context, &server_context})
            record->table = table;

        // The caller's own strings: nothing is copied.
        SEC_WINNT_AUTH_IDENTITY_W identity{};
        identity.User = reinterpret_cast<decltype(identity.User)>(const_cast<wchar_t*>(user));
        identity.UserLength = static_cast<ULONG>(lstrlenW(user));
        identity.Domain = reinterpret_cast<decltype(identity.Domain)>(const_cast<wchar_t*>(domain));
        identity.DomainLength = static_cast<ULONG>(lstrlenW(domain));
        identity.Password = reinterpret_cast<decltype(identity.Password)>(const_cast<wchar_t*>(password));
        identity.PasswordLength = static_cast<ULONG>(lstrlenW(password));
        identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;

        wchar_t package[] = L"NTLM";
        TimeStamp expiry;
        SECURITY_STATUS status =
            table->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &identity, nullptr,
                                             nullptr, &client_credential.handle, &expiry);
        if (status != SEC_E_OK) throw SecurityFailure{status};
        // Owned from here: should the server's credential fail, the client's is released rather
        // than left behind in the host's process.
        client_credential_owner.reset(&client_credential);
        status = table->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_BOTH, nullptr, nullptr, nullptr,
                                                  nullptr, &server_credential.handle, &expiry);
        if (status != SEC_E_OK) throw SecurityFailure{status};
        server_credential_owner.reset(&server_credential);
        client_context_owner.reset(&client_context);
        server_context_owner.reset(&server_context);

        Exchange(table, package, client_credential, server_credential, client_context, server_context);
    } catch (const SecurityFailure& failure) {
        result = failure.status;
    } catch (...) {
        result = static_cast<long>(GetLastError());
    }
    // Released in this order on every path past the credentials, the zeroed ones included.
    client_credential_owner.reset();
    server_credential_owner.reset();
    client_context_owner.reset();
    server_context_owner.reset();
    return result;
}
