// The security support provider interface (secur32/security.dll), as sspi.h declares it: the
// handle, buffer and identity records, the status codes and request flags, and the function
// table that InitSecurityInterfaceW hands out. winport's provider is reached the Windows way,
// through LoadLibraryW("security.dll") and GetProcAddress; its one package is "NTLM".
#pragma once

#include <winport/export.h>
#include <winport/types.h>

extern "C" {

typedef LONG SECURITY_STATUS;
typedef wchar_t SEC_WCHAR;
typedef char SEC_CHAR;

typedef struct _SecHandle {
    ULONG_PTR dwLower;
    ULONG_PTR dwUpper;
} SecHandle, *PSecHandle;
typedef SecHandle CredHandle, *PCredHandle;
typedef SecHandle CtxtHandle, *PCtxtHandle;

typedef struct _SECURITY_INTEGER {
    ULONG LowPart;
    LONG HighPart;
} SECURITY_INTEGER, *PSECURITY_INTEGER;
typedef SECURITY_INTEGER TimeStamp, *PTimeStamp;

typedef struct _SecBuffer {
    ULONG cbBuffer;
    ULONG BufferType;
    void* pvBuffer;
} SecBuffer, *PSecBuffer;

typedef struct _SecBufferDesc {
    ULONG ulVersion;
    ULONG cBuffers;
    PSecBuffer pBuffers;
} SecBufferDesc, *PSecBufferDesc;

#define SECBUFFER_VERSION 0
#define SECBUFFER_EMPTY 0
#define SECBUFFER_DATA 1
#define SECBUFFER_TOKEN 2

typedef struct _SecPkgInfoW {
    ULONG fCapabilities;
    USHORT wVersion;
    USHORT wRPCID;
    ULONG cbMaxToken;
    SEC_WCHAR* Name;
    SEC_WCHAR* Comment;
} SecPkgInfoW, *PSecPkgInfoW;

#define SECPKG_FLAG_INTEGRITY 0x00000001
#define SECPKG_FLAG_PRIVACY 0x00000002
#define SECPKG_FLAG_TOKEN_ONLY 0x00000004
#define SECPKG_FLAG_CONNECTION 0x00000010
#define SECPKG_FLAG_MULTI_REQUIRED 0x00000020
#define SECPKG_FLAG_IMPERSONATION 0x00000100
#define SECPKG_FLAG_ACCEPT_WIN32_NAME 0x00000200
#define SECPKG_FLAG_NEGOTIABLE 0x00000800
#define SECPKG_FLAG_LOGON 0x00002000

// Wide strings are wchar_t here, as everywhere in winport; lengths count characters.
typedef struct _SEC_WINNT_AUTH_IDENTITY_W {
    wchar_t* User;
    ULONG UserLength;
    wchar_t* Domain;
    ULONG DomainLength;
    wchar_t* Password;
    ULONG PasswordLength;
    ULONG Flags;
} SEC_WINNT_AUTH_IDENTITY_W, *PSEC_WINNT_AUTH_IDENTITY_W;

#define SEC_WINNT_AUTH_IDENTITY_ANSI 0x1
#define SEC_WINNT_AUTH_IDENTITY_UNICODE 0x2

#define SECPKG_CRED_INBOUND 0x00000001
#define SECPKG_CRED_OUTBOUND 0x00000002
#define SECPKG_CRED_BOTH 0x00000003

#define SECURITY_NATIVE_DREP 0x00000010
#define SECURITY_NETWORK_DREP 0x00000000

#define ISC_REQ_DELEGATE 0x00000001
#define ISC_REQ_MUTUAL_AUTH 0x00000002
#define ISC_REQ_REPLAY_DETECT 0x00000004
#define ISC_REQ_SEQUENCE_DETECT 0x00000008
#define ISC_REQ_CONFIDENTIALITY 0x00000010
#define ISC_REQ_USE_SESSION_KEY 0x00000020
#define ISC_REQ_PROMPT_FOR_CREDS 0x00000040
#define ISC_REQ_USE_SUPPLIED_CREDS 0x00000080
#define ISC_REQ_ALLOCATE_MEMORY 0x00000100
#define ISC_REQ_USE_DCE_STYLE 0x00000200
#define ISC_REQ_DATAGRAM 0x00000400
#define ISC_REQ_CONNECTION 0x00000800
#define ISC_REQ_INTEGRITY 0x00010000
#define ISC_RET_CONNECTION 0x00000800

#define ASC_REQ_DELEGATE 0x00000001
#define ASC_REQ_MUTUAL_AUTH 0x00000002
#define ASC_REQ_REPLAY_DETECT 0x00000004
#define ASC_REQ_SEQUENCE_DETECT 0x00000008
#define ASC_REQ_CONFIDENTIALITY 0x00000010
#define ASC_REQ_USE_SESSION_KEY 0x00000020
#define ASC_REQ_ALLOCATE_MEMORY 0x00000100
#define ASC_REQ_USE_DCE_STYLE 0x00000200
#define ASC_REQ_DATAGRAM 0x00000400
#define ASC_REQ_CONNECTION 0x00000800
#define ASC_REQ_INTEGRITY 0x00020000
#define ASC_RET_CONNECTION 0x00000800

#define SEC_E_OK ((SECURITY_STATUS)0x00000000)
#define SEC_E_INSUFFICIENT_MEMORY ((SECURITY_STATUS)0x80090300)
#define SEC_E_INVALID_HANDLE ((SECURITY_STATUS)0x80090301)
#define SEC_E_UNSUPPORTED_FUNCTION ((SECURITY_STATUS)0x80090302)
#define SEC_E_TARGET_UNKNOWN ((SECURITY_STATUS)0x80090303)
#define SEC_E_INTERNAL_ERROR ((SECURITY_STATUS)0x80090304)
#define SEC_E_SECPKG_NOT_FOUND ((SECURITY_STATUS)0x80090305)
#define SEC_E_NOT_OWNER ((SECURITY_STATUS)0x80090306)
#define SEC_E_INVALID_TOKEN ((SECURITY_STATUS)0x80090308)
#define SEC_E_LOGON_DENIED ((SECURITY_STATUS)0x8009030C)
#define SEC_E_UNKNOWN_CREDENTIALS ((SECURITY_STATUS)0x8009030D)
#define SEC_E_NO_CREDENTIALS ((SECURITY_STATUS)0x8009030E)
#define SEC_E_OUT_OF_SEQUENCE ((SECURITY_STATUS)0x80090310)
#define SEC_E_BUFFER_TOO_SMALL ((SECURITY_STATUS)0x80090321)
#define SEC_E_WRONG_PRINCIPAL ((SECURITY_STATUS)0x80090322)
#define SEC_E_INVALID_PARAMETER ((SECURITY_STATUS)0x8009035D)
#define SEC_I_CONTINUE_NEEDED ((SECURITY_STATUS)0x00090312)
#define SEC_I_COMPLETE_NEEDED ((SECURITY_STATUS)0x00090313)
#define SEC_I_COMPLETE_AND_CONTINUE ((SECURITY_STATUS)0x00090314)

typedef void(WINAPI* SEC_GET_KEY_FN)(void* Arg, void* Principal, ULONG KeyVer, void** Key, SECURITY_STATUS* Status);

typedef SECURITY_STATUS(WINAPI* ENUMERATE_SECURITY_PACKAGES_FN_W)(ULONG*, PSecPkgInfoW*);
typedef SECURITY_STATUS(WINAPI* QUERY_CREDENTIALS_ATTRIBUTES_FN_W)(PCredHandle, ULONG, void*);
typedef SECURITY_STATUS(WINAPI* ACQUIRE_CREDENTIALS_HANDLE_FN_W)(SEC_WCHAR*, SEC_WCHAR*, ULONG, void*, void*,
                                                                 SEC_GET_KEY_FN, void*, PCredHandle, PTimeStamp);
typedef SECURITY_STATUS(WINAPI* FREE_CREDENTIALS_HANDLE_FN)(PCredHandle);
typedef SECURITY_STATUS(WINAPI* INITIALIZE_SECURITY_CONTEXT_FN_W)(PCredHandle, PCtxtHandle, SEC_WCHAR*, ULONG, ULONG,
                                                                  ULONG, PSecBufferDesc, ULONG, PCtxtHandle,
                                                                  PSecBufferDesc, ULONG*, PTimeStamp);
typedef SECURITY_STATUS(WINAPI* ACCEPT_SECURITY_CONTEXT_FN)(PCredHandle, PCtxtHandle, PSecBufferDesc, ULONG, ULONG,
                                                            PCtxtHandle, PSecBufferDesc, ULONG*, PTimeStamp);
typedef SECURITY_STATUS(WINAPI* COMPLETE_AUTH_TOKEN_FN)(PCtxtHandle, PSecBufferDesc);
typedef SECURITY_STATUS(WINAPI* DELETE_SECURITY_CONTEXT_FN)(PCtxtHandle);
typedef SECURITY_STATUS(WINAPI* APPLY_CONTROL_TOKEN_FN)(PCtxtHandle, PSecBufferDesc);
typedef SECURITY_STATUS(WINAPI* QUERY_CONTEXT_ATTRIBUTES_FN_W)(PCtxtHandle, ULONG, void*);
typedef SECURITY_STATUS(WINAPI* IMPERSONATE_SECURITY_CONTEXT_FN)(PCtxtHandle);
typedef SECURITY_STATUS(WINAPI* REVERT_SECURITY_CONTEXT_FN)(PCtxtHandle);
typedef SECURITY_STATUS(WINAPI* MAKE_SIGNATURE_FN)(PCtxtHandle, ULONG, PSecBufferDesc, ULONG);
typedef SECURITY_STATUS(WINAPI* VERIFY_SIGNATURE_FN)(PCtxtHandle, PSecBufferDesc, ULONG, ULONG*);
typedef SECURITY_STATUS(WINAPI* FREE_CONTEXT_BUFFER_FN)(void*);
typedef SECURITY_STATUS(WINAPI* QUERY_SECURITY_PACKAGE_INFO_FN_W)(SEC_WCHAR*, PSecPkgInfoW*);
typedef SECURITY_STATUS(WINAPI* EXPORT_SECURITY_CONTEXT_FN)(PCtxtHandle, ULONG, PSecBuffer, void**);
typedef SECURITY_STATUS(WINAPI* IMPORT_SECURITY_CONTEXT_FN_W)(SEC_WCHAR*, PSecBuffer, void*, PCtxtHandle);
typedef SECURITY_STATUS(WINAPI* ADD_CREDENTIALS_FN_W)(PCredHandle, SEC_WCHAR*, SEC_WCHAR*, ULONG, void*,
                                                      SEC_GET_KEY_FN, void*, PTimeStamp);
typedef SECURITY_STATUS(WINAPI* QUERY_SECURITY_CONTEXT_TOKEN_FN)(PCtxtHandle, void**);
typedef SECURITY_STATUS(WINAPI* ENCRYPT_MESSAGE_FN)(PCtxtHandle, ULONG, PSecBufferDesc, ULONG);
typedef SECURITY_STATUS(WINAPI* DECRYPT_MESSAGE_FN)(PCtxtHandle, PSecBufferDesc, ULONG, ULONG*);
typedef SECURITY_STATUS(WINAPI* SET_CONTEXT_ATTRIBUTES_FN_W)(PCtxtHandle, ULONG, void*, ULONG);
typedef SECURITY_STATUS(WINAPI* SET_CREDENTIALS_ATTRIBUTES_FN_W)(PCredHandle, ULONG, void*, ULONG);
typedef SECURITY_STATUS(WINAPI* CHANGE_PASSWORD_FN_W)(SEC_WCHAR*, SEC_WCHAR*, SEC_WCHAR*, SEC_WCHAR*, SEC_WCHAR*,
                                                      unsigned char, ULONG, PSecBufferDesc);

#define SECURITY_SUPPORT_PROVIDER_INTERFACE_VERSION_4 4

typedef struct _SECURITY_FUNCTION_TABLE_W {
    ULONG dwVersion;
    ENUMERATE_SECURITY_PACKAGES_FN_W EnumerateSecurityPackagesW;
    QUERY_CREDENTIALS_ATTRIBUTES_FN_W QueryCredentialsAttributesW;
    ACQUIRE_CREDENTIALS_HANDLE_FN_W AcquireCredentialsHandleW;
    FREE_CREDENTIALS_HANDLE_FN FreeCredentialsHandle;
    void* Reserved2;
    INITIALIZE_SECURITY_CONTEXT_FN_W InitializeSecurityContextW;
    ACCEPT_SECURITY_CONTEXT_FN AcceptSecurityContext;
    COMPLETE_AUTH_TOKEN_FN CompleteAuthToken;
    DELETE_SECURITY_CONTEXT_FN DeleteSecurityContext;
    APPLY_CONTROL_TOKEN_FN ApplyControlToken;
    QUERY_CONTEXT_ATTRIBUTES_FN_W QueryContextAttributesW;
    IMPERSONATE_SECURITY_CONTEXT_FN ImpersonateSecurityContext;
    REVERT_SECURITY_CONTEXT_FN RevertSecurityContext;
    MAKE_SIGNATURE_FN MakeSignature;
    VERIFY_SIGNATURE_FN VerifySignature;
    FREE_CONTEXT_BUFFER_FN FreeContextBuffer;
    QUERY_SECURITY_PACKAGE_INFO_FN_W QuerySecurityPackageInfoW;
    void* Reserved3;
    void* Reserved4;
    EXPORT_SECURITY_CONTEXT_FN ExportSecurityContext;
    IMPORT_SECURITY_CONTEXT_FN_W ImportSecurityContextW;
    ADD_CREDENTIALS_FN_W AddCredentialsW;
    void* Reserved8;
    QUERY_SECURITY_CONTEXT_TOKEN_FN QuerySecurityContextToken;
    ENCRYPT_MESSAGE_FN EncryptMessage;
    DECRYPT_MESSAGE_FN DecryptMessage;
    SET_CONTEXT_ATTRIBUTES_FN_W SetContextAttributesW;
    SET_CREDENTIALS_ATTRIBUTES_FN_W SetCredentialsAttributesW;
    CHANGE_PASSWORD_FN_W ChangeAccountPasswordW;
} SecurityFunctionTableW, *PSecurityFunctionTableW;

typedef PSecurityFunctionTableW(WINAPI* INIT_SECURITY_INTERFACE_W)(void);

// The provider's table; also what GetProcAddress finds under this name in "security.dll".
WINPORT_API PSecurityFunctionTableW WINAPI InitSecurityInterfaceW(void);

// The table's entries that winport provides, also callable directly as secur32 exports them.
WINPORT_API SECURITY_STATUS WINAPI AcquireCredentialsHandleW(SEC_WCHAR* pszPrincipal, SEC_WCHAR* pszPackage,
                                                             ULONG fCredentialUse, void* pvLogonId, void* pAuthData,
                                                             SEC_GET_KEY_FN pGetKeyFn, void* pvGetKeyArgument,
                                                             PCredHandle phCredential, PTimeStamp ptsExpiry);
WINPORT_API SECURITY_STATUS WINAPI FreeCredentialsHandle(PCredHandle phCredential);
WINPORT_API SECURITY_STATUS WINAPI InitializeSecurityContextW(PCredHandle phCredential, PCtxtHandle phContext,
                                                              SEC_WCHAR* pszTargetName, ULONG fContextReq,
                                                              ULONG Reserved1, ULONG TargetDataRep,
                                                              PSecBufferDesc pInput, ULONG Reserved2,
                                                              PCtxtHandle phNewContext, PSecBufferDesc pOutput,
                                                              ULONG* pfContextAttr, PTimeStamp ptsExpiry);
WINPORT_API SECURITY_STATUS WINAPI AcceptSecurityContext(PCredHandle phCredential, PCtxtHandle phContext,
                                                         PSecBufferDesc pInput, ULONG fContextReq, ULONG TargetDataRep,
                                                         PCtxtHandle phNewContext, PSecBufferDesc pOutput,
                                                         ULONG* pfContextAttr, PTimeStamp ptsExpiry);
WINPORT_API SECURITY_STATUS WINAPI DeleteSecurityContext(PCtxtHandle phContext);
WINPORT_API SECURITY_STATUS WINAPI QuerySecurityPackageInfoW(SEC_WCHAR* pszPackageName, PSecPkgInfoW* ppPackageInfo);
WINPORT_API SECURITY_STATUS WINAPI FreeContextBuffer(void* pvContextBuffer);
}
