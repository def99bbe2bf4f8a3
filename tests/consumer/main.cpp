// Links against the installed library and crosses the boundary both ways: a host logger
// called from the library, and results and the last-error value read back.
#include <common-win32/common-win32.h>

#include <cstdio>
#include <string>

class PrintingHost : public ILogger {
public:
    void Write(int level, const std::wstring& text) override {
        ++lines;
        last = text;
        last_level = level;
    }
    int lines = 0;
    int last_level = 0;
    std::wstring last;
};

int main() {
    boost::shared_ptr<PrintingHost> host(new PrintingHost);
    LogWarning(host, CString(L"consumer"));
    const CStringA bytes = WideToAnsi(L"\u00e9", 1);
    SetLastError(ERROR_ACCESS_DENIED);
    const bool ok = host->lines == 1 && host->last == L"consumer" && host->last_level == 3 &&
                    bytes.GetLength() == 2 && GetLastError() == 5;
    std::printf("consumer: %s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
