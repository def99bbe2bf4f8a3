// The server side of winport's NTLM provider on any bytes, through AcceptSecurityContext as a
// host calls it: a NEGOTIATE (the provider's own, or the input's), then the input's
// AUTHENTICATE, checked against a real account's NT hash. Each call answers a documented
// status, never accepts, and every handle it made is released.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The provider's own NEGOTIATE flags, as its client sends them.
const std::vector<unsigned char> kNegotiate = {'N', 'T', 'L', 'M', 'S', 'S', 'P', 0, 1, 0, 0, 0,
                                               0x35, 0x82, 0x88, 0xE2, 0, 0, 0, 0, 0, 0, 0, 0,
                                               0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0x61, 0x4A, 0, 0, 0, 15};

PSecurityFunctionTableW g_table = nullptr;
CredHandle g_server{};

void Require(bool property) {
    if (!property) std::abort();
}

SECURITY_STATUS Accept(PCtxtHandle context, std::vector<unsigned char> message, PCtxtHandle new_context) {
    static unsigned char out[8192];
    SecBuffer in_token{static_cast<ULONG>(message.size()), SECBUFFER_TOKEN, message.empty() ? nullptr : message.data()};
    SecBuffer out_token{sizeof out, SECBUFFER_TOKEN, out};
    SecBufferDesc in{SECBUFFER_VERSION, 1, &in_token}, output{SECBUFFER_VERSION, 1, &out_token};
    ULONG attributes = 0;
    TimeStamp expiry;
    return g_table->AcceptSecurityContext(&g_server, context, &in, ASC_REQ_CONNECTION, SECURITY_NATIVE_DREP,
                                          new_context, &output, &attributes, &expiry);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A machine of its own, with one account whose password no input knows.
    std::string root = (std::filesystem::temp_directory_path() / "cw32-fuzz-ntlm-XXXXXX").string();
    Require(mkdtemp(root.data()) != nullptr);
    setenv("WINPORT_ROOT", root.c_str(), 1);
    USER_INFO_1 info{};
    info.usri1_name = const_cast<wchar_t*>(L"fuzz");
    info.usri1_password = const_cast<wchar_t*>(L"n0-input-kn0ws-this");
    info.usri1_priv = USER_PRIV_USER;
    Require(NetUserAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&info), nullptr) == 0);
    HMODULE module = LoadLibraryW(L"security.dll");
    Require(module != nullptr);
    auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_W>(
        reinterpret_cast<void*>(GetProcAddress(module, "InitSecurityInterfaceW")));
    g_table = init();
    wchar_t package[] = L"NTLM";
    TimeStamp expiry;
    Require(g_table->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_INBOUND, nullptr, nullptr, nullptr,
                                               nullptr, &g_server, &expiry) == SEC_E_OK);
    return 0;
}

// First byte odd: the provider's NEGOTIATE, then the rest as the AUTHENTICATE. Even: the next
// two bytes give the NEGOTIATE's length (little-endian), then the NEGOTIATE, then the rest.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::vector<unsigned char> negotiate = kNegotiate;
    std::size_t at = 1;
    if ((data[0] & 1) == 0) {
        if (size < 3) return 0;
        const std::size_t length = std::min<std::size_t>(data[1] | data[2] << 8, size - 3);
        negotiate.assign(data + 3, data + 3 + length);
        at = 3 + length;
    }
    const std::vector<unsigned char> authenticate(data + at, data + size);

    CtxtHandle context{};
    const SECURITY_STATUS first = Accept(nullptr, negotiate, &context);
    Require(first == SEC_I_CONTINUE_NEEDED || first == SEC_E_INVALID_TOKEN);
    if (first == SEC_I_CONTINUE_NEEDED) {
        const SECURITY_STATUS second = Accept(&context, authenticate, &context);
        Require(second == SEC_E_LOGON_DENIED || second == SEC_E_INVALID_TOKEN);
        // A decoded AUTHENTICATE is the context's one try.
        if (second == SEC_E_LOGON_DENIED) Require(Accept(&context, authenticate, &context) == SEC_E_OUT_OF_SEQUENCE);
        Require(g_table->DeleteSecurityContext(&context) == SEC_E_OK);
    }
    Require(winport::testing::LiveHandles(winport::HandleKind::SecurityContext) == 0);
    return 0;
}
