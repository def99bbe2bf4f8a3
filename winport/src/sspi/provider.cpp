// POSIX emulation of the security provider (security.dll): the function table, credentials,
// context deletion, the package information and the entries winport does not provide. The
// NTLM exchange itself is in ntlm_package.cpp. No library logic here.
#include <winport/errors.h>
#include <winport/message.h>
#include <winport/sspi.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/local_memory.h"
#include "core/text.h"
#include "core/unsupported.h"
#include "sspi/ntlm_crypto.h"
#include "sspi/provider_objects.h"

#include <cstring>
#include <cwctype>

using namespace winport::detail;
using namespace winport::detail::sspi;

namespace winport::detail::sspi {

void PutHandle(const std::shared_ptr<KernelObject>& object, SecHandle& out) {
    out.dwLower = reinterpret_cast<ULONG_PTR>(RegisterHandle(object));
    out.dwUpper = kHandleTag;
}

std::shared_ptr<KernelObject> FindHandle(const SecHandle* handle, HandleKind kind) {
    if (handle == nullptr || handle->dwUpper != kHandleTag || handle->dwLower == 0) return nullptr;
    return LookupHandle(reinterpret_cast<const void*>(handle->dwLower), kind);
}

bool DropHandle(const SecHandle* handle, HandleKind kind) {
    if (!FindHandle(handle, kind)) return false;
    return ReleaseHandle(reinterpret_cast<const void*>(handle->dwLower));
}

SecBuffer* TokenBuffer(PSecBufferDesc list) {
    if (list == nullptr || list->pBuffers == nullptr) return nullptr;
    for (ULONG i = 0; i < list->cBuffers; ++i) {
        if ((list->pBuffers[i].BufferType & 0xFFFF) == SECBUFFER_TOKEN) return &list->pBuffers[i];
    }
    return nullptr;
}

SECURITY_STATUS WriteToken(PSecBufferDesc output, const ntlm::Bytes& message) {
    SecBuffer* token = TokenBuffer(output);
    if (token == nullptr || (token->pvBuffer == nullptr && !message.empty())) return SEC_E_INVALID_TOKEN;
    if (token->cbBuffer < message.size()) return SEC_E_BUFFER_TOO_SMALL;
    if (!message.empty()) std::memcpy(token->pvBuffer, message.data(), message.size());
    token->cbBuffer = static_cast<ULONG>(message.size());
    return SEC_E_OK;
}

void NeverExpires(PTimeStamp expiry) {
    if (expiry == nullptr) return;
    expiry->LowPart = 0xFFFFFFFF;
    expiry->HighPart = 0x7FFFFFFF;
}

}  // namespace winport::detail::sspi

namespace {

constexpr const wchar_t* kPackage = L"NTLM";
constexpr const wchar_t* kComment = L"NTLM Security Package";
// What a client can ask of the package: tokens for a connection, no signing or sealing.
constexpr ULONG kCapabilities = SECPKG_FLAG_TOKEN_ONLY | SECPKG_FLAG_CONNECTION | SECPKG_FLAG_ACCEPT_WIN32_NAME;
constexpr USHORT kRpcIdWinNt = 10;
constexpr ULONG kMaxToken = 2888;

SECURITY_STATUS FaultStatus() { return static_cast<SECURITY_STATUS>(GetLastError()); }

bool IsNtlm(const SEC_WCHAR* package) {
    if (package == nullptr) return false;
    return FoldCase(package) == FoldCase(kPackage);
}

std::wstring Counted(const wchar_t* text, ULONG length) {
    return text != nullptr ? std::wstring(text, length) : std::wstring();
}

// The entries of the table that winport does not provide: each answers as Windows does for a
// package without the function.
template <class... Args>
SECURITY_STATUS WINAPI Unsupported(Args...) {
    return SEC_E_UNSUPPORTED_FUNCTION;
}

// The handle goes even when a fault is injected: releasing a valid handle cannot fail half-way
// on Windows, so an injected failure only tests that callers survive the result.
SECURITY_STATUS Release(const char* function, const SecHandle* handle, HandleKind kind) {
    LogCall(function, [] { return std::string(); });
    const bool fault = FaultPoint(function);
    const SECURITY_STATUS fault_status = FaultStatus();
    const bool released = DropHandle(handle, kind);
    if (fault) return fault_status;
    return released ? SEC_E_OK : SEC_E_INVALID_HANDLE;
}

}  // namespace

extern "C" SECURITY_STATUS WINAPI AcquireCredentialsHandleW(SEC_WCHAR* principal, SEC_WCHAR* package, ULONG use,
                                                            void* logon_id, void* auth_data, SEC_GET_KEY_FN get_key,
                                                            void* get_key_argument, PCredHandle credential,
                                                            PTimeStamp expiry) {
    LogCall("AcquireCredentialsHandleW", [&] {
        return ToUtf8(package ? package : L"null") + " use=" + std::to_string(use) +
               (auth_data ? " identity" : "");
    });
    if (FaultPoint("AcquireCredentialsHandleW")) return FaultStatus();
    (void)principal, (void)get_key_argument;
    if (!IsNtlm(package)) return SEC_E_SECPKG_NOT_FOUND;
    if (credential == nullptr || use == 0 || (use & ~SECPKG_CRED_BOTH) != 0) return SEC_E_INVALID_PARAMETER;
    if (logon_id != nullptr || get_key != nullptr) {
        ReportUnsupported("AcquireCredentialsHandleW", "a logon identifier or key function");
        return SEC_E_UNSUPPORTED_FUNCTION;
    }
    auto object = std::make_shared<CredentialObject>();
    object->use = use;
    if (auth_data != nullptr) {
        const auto* identity = static_cast<const SEC_WINNT_AUTH_IDENTITY_W*>(auth_data);
        if (identity->Flags != SEC_WINNT_AUTH_IDENTITY_UNICODE) {
            ReportUnsupported("AcquireCredentialsHandleW", "an identity of flags " + std::to_string(identity->Flags));
            return SEC_E_UNSUPPORTED_FUNCTION;
        }
        object->has_identity = true;
        object->user = Counted(identity->User, identity->UserLength);
        object->domain = Counted(identity->Domain, identity->DomainLength);
        object->nt_hash = ntlm::NtHash(std::wstring_view(identity->Password ? identity->Password : L"",
                                                         identity->Password ? identity->PasswordLength : 0));
    }
    // Without an identity the credential serves the server side only: Windows would give the
    // client side the logged-on user's, and winport has no logon session to take them from
    // (InitializeSecurityContextW answers SEC_E_NO_CREDENTIALS).
    PutHandle(object, *credential);
    NeverExpires(expiry);
    return SEC_E_OK;
}

extern "C" SECURITY_STATUS WINAPI FreeCredentialsHandle(PCredHandle credential) {
    return Release("FreeCredentialsHandle", credential, HandleKind::Credential);
}

extern "C" SECURITY_STATUS WINAPI DeleteSecurityContext(PCtxtHandle context) {
    return Release("DeleteSecurityContext", context, HandleKind::SecurityContext);
}

// One block for the record and its two strings, as Windows hands it out: FreeContextBuffer
// releases it whole.
extern "C" SECURITY_STATUS WINAPI QuerySecurityPackageInfoW(SEC_WCHAR* package, PSecPkgInfoW* info) {
    LogCall("QuerySecurityPackageInfoW", [&] { return ToUtf8(package ? package : L"null"); });
    if (FaultPoint("QuerySecurityPackageInfoW")) return FaultStatus();
    if (info == nullptr) return SEC_E_INVALID_PARAMETER;
    if (!IsNtlm(package)) return SEC_E_SECPKG_NOT_FOUND;
    const std::size_t name_size = (std::wcslen(kPackage) + 1) * sizeof(wchar_t);
    const std::size_t comment_size = (std::wcslen(kComment) + 1) * sizeof(wchar_t);
    auto* block = static_cast<unsigned char*>(AllocateLocalBlock(sizeof(SecPkgInfoW) + name_size + comment_size, true));
    if (block == nullptr) return SEC_E_INSUFFICIENT_MEMORY;
    auto* record = reinterpret_cast<SecPkgInfoW*>(block);
    record->fCapabilities = kCapabilities;
    record->wVersion = 1;
    record->wRPCID = kRpcIdWinNt;
    record->cbMaxToken = kMaxToken;
    record->Name = reinterpret_cast<SEC_WCHAR*>(block + sizeof(SecPkgInfoW));
    record->Comment = reinterpret_cast<SEC_WCHAR*>(block + sizeof(SecPkgInfoW) + name_size);
    std::memcpy(record->Name, kPackage, name_size);
    std::memcpy(record->Comment, kComment, comment_size);
    *info = record;
    return SEC_E_OK;
}

extern "C" SECURITY_STATUS WINAPI FreeContextBuffer(void* buffer) {
    LogCall("FreeContextBuffer", [] { return std::string(); });
    if (FaultPoint("FreeContextBuffer")) return FaultStatus();
    if (buffer == nullptr) return SEC_E_OK;
    return LocalFree(buffer) == nullptr ? SEC_E_OK : SEC_E_INVALID_HANDLE;
}

extern "C" PSecurityFunctionTableW WINAPI InitSecurityInterfaceW(void) {
    // Not a fault point: Windows hands out a table that is always there.
    static SecurityFunctionTableW table = {
        SECURITY_SUPPORT_PROVIDER_INTERFACE_VERSION_4,
        Unsupported<ULONG*, PSecPkgInfoW*>,             // EnumerateSecurityPackagesW
        Unsupported<PCredHandle, ULONG, void*>,         // QueryCredentialsAttributesW
        AcquireCredentialsHandleW,
        FreeCredentialsHandle,
        nullptr,
        InitializeSecurityContextW,
        AcceptSecurityContext,
        Unsupported<PCtxtHandle, PSecBufferDesc>,               // CompleteAuthToken
        DeleteSecurityContext,
        Unsupported<PCtxtHandle, PSecBufferDesc>,               // ApplyControlToken
        Unsupported<PCtxtHandle, ULONG, void*>,                 // QueryContextAttributesW
        Unsupported<PCtxtHandle>,                               // ImpersonateSecurityContext
        Unsupported<PCtxtHandle>,                               // RevertSecurityContext
        Unsupported<PCtxtHandle, ULONG, PSecBufferDesc, ULONG>,  // MakeSignature
        Unsupported<PCtxtHandle, PSecBufferDesc, ULONG, ULONG*>,  // VerifySignature
        FreeContextBuffer,
        QuerySecurityPackageInfoW,
        nullptr,
        nullptr,
        Unsupported<PCtxtHandle, ULONG, PSecBuffer, void**>,     // ExportSecurityContext
        Unsupported<SEC_WCHAR*, PSecBuffer, void*, PCtxtHandle>,  // ImportSecurityContextW
        Unsupported<PCredHandle, SEC_WCHAR*, SEC_WCHAR*, ULONG, void*, SEC_GET_KEY_FN, void*, PTimeStamp>,  // AddCredentialsW
        nullptr,
        Unsupported<PCtxtHandle, void**>,                        // QuerySecurityContextToken
        Unsupported<PCtxtHandle, ULONG, PSecBufferDesc, ULONG>,  // EncryptMessage
        Unsupported<PCtxtHandle, PSecBufferDesc, ULONG, ULONG*>,  // DecryptMessage
        Unsupported<PCtxtHandle, ULONG, void*, ULONG>,           // SetContextAttributesW
        Unsupported<PCredHandle, ULONG, void*, ULONG>,           // SetCredentialsAttributesW
        Unsupported<SEC_WCHAR*, SEC_WCHAR*, SEC_WCHAR*, SEC_WCHAR*, SEC_WCHAR*, unsigned char, ULONG,
                    PSecBufferDesc>,  // ChangeAccountPasswordW
    };
    return &table;
}
