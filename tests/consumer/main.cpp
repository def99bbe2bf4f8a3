// A host built outside the tree against the installed package. It crosses the library
// boundary both ways, results and exceptions alike: a logger called from the library, the
// last-error value read back, OpenKey's long 5, a CFileException* thrown by the library, and
// the host's own exception thrown from Write through LogMessage.
#include <common-win32/common-win32.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

class Host : public ILogger {
public:
    void Write(int level, const std::wstring& text) override {
        if (refuse) throw std::runtime_error("host refused the line");
        ++lines;
        last = text;
        last_level = level;
    }
    bool refuse = false;
    int lines = 0;
    int last_level = 0;
    std::wstring last;
};

int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("consumer: %s: %s\n", what, ok ? "ok" : "FAILED");
    if (!ok) ++failures;
}

// Makes HKCU\<subkey> and takes every right on it from everyone, or gives them back.
LONG SealKey(const wchar_t* subkey, bool sealed) {
#if defined(_WIN32)
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, WRITE_DAC, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    ACL empty;  // no entry: nobody may do anything; a null list: everyone may do everything
    SECURITY_DESCRIPTOR sd;
    const bool built = InitializeAcl(&empty, sizeof empty, ACL_REVISION) &&
                       InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
                       SetSecurityDescriptorDacl(&sd, TRUE, sealed ? &empty : nullptr, FALSE);
    rc = built ? RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) : static_cast<LONG>(GetLastError());
    RegCloseKey(key);
    return rc;
#else
    if (sealed) {
        HKEY key = nullptr;
        LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        RegCloseKey(key);
    }
    return winport::RegSetKeyProtection(HKEY_CURRENT_USER, subkey, sealed, sealed);
#endif
}

}  // namespace

int main() {
    boost::shared_ptr<Host> host(new Host);
    LogWarning(host, CString(L"consumer"));
    Check(host->lines == 1 && host->last == L"consumer" && host->last_level == 3, "host logger");
    Check(WideToAnsi(L"\u00e9", 1).GetLength() == 2, "UTF-8 result");
    SetLastError(ERROR_ACCESS_DENIED);
    Check(GetLastError() == 5, "last error");

    host->refuse = true;
    try {
        LogMessage(host, CString(L"refused"));
        Check(false, "host exception through LogMessage");
    } catch (const std::runtime_error& e) {
        Check(std::string(e.what()) == "host refused the line", "host exception through LogMessage");
    }

    try {
        CFile missing(L"no-such-folder\\no-such-file", CFile::modeRead);
        Check(false, "CFileException* from the library");
    } catch (CFileException* e) {
        Check(e->m_cause == CFileException::badPath || e->m_cause == CFileException::fileNotFound,
              "CFileException* from the library");
        e->Delete();
    }

    const wchar_t* sealed = L"Software\\cw32-consumer-sealed";
    if (SealKey(sealed, true) != ERROR_SUCCESS) {
        Check(false, "a sealed key to open");
    } else {
        CInstallRegistry reg;
        try {
            reg.OpenKey(HKEY_CURRENT_USER, CString(sealed), KEY_READ);
            Check(false, "long from OpenKey");
        } catch (long error) {
            Check(error == 5, "long from OpenKey");
        }
        Check(SealKey(sealed, false) == ERROR_SUCCESS && RegDeleteKeyW(HKEY_CURRENT_USER, sealed) == ERROR_SUCCESS,
              "sealed key removed");
    }
    return failures == 0 ? 0 : 1;
}
