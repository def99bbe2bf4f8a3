// libFuzzer target: ReplaceFileVariables with any variables string and flags list.
//
// Input: one byte of switches (bit 0 unescape, bit 1 logHiddenValues), then the variables
// string and the flags list separated by the first 0x00 byte; each other byte is the
// character of the same value. Each run rewrites a small file of its own and checks what the
// routine promises whatever it is given: every line stamped at level 2, no temporary file
// left, and a file that is either untouched or rewritten with CR LF line ends.
#include <common-win32/common-win32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

const char kOriginal[] = "name=NAME\npath=C:\\app\\PATH\nquoted=\"Q\",x\n\nlast line a=b";

class CheckingHost final : public IActionContext {
public:
    void Write(int level, const std::wstring& text) override {
        // "YYYY/MM/DD, hh:mm:ss: " and level 2, on every line.
        if (level != 2 || text.size() < 22 || text[4] != L'/' || text[10] != L',' || text[20] != L':') std::abort();
        ++lines;
    }
    boost::shared_ptr<std::wstring> GetArgumentValue(const std::wstring&) override {
        return boost::shared_ptr<std::wstring>(new std::wstring);
    }
    int lines = 0;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A rewrite ends with CR LF. Every LF in it ends a CR LF too, unless a value brought one in:
// values are written as they are.
bool IsRewrite(const std::string& text, bool values_may_hold_line_feeds) {
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
    if (values_may_hold_line_feeds) return true;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    return true;
}

const std::string& Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/cw32-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return std::string(made);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool unescape = (data[0] & 1) != 0;
    const bool log_hidden = (data[0] & 2) != 0;
    std::wstring variables, flags;
    bool in_flags = false;
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0 && !in_flags) {
            in_flags = true;
            continue;
        }
        (in_flags ? flags : variables) += static_cast<wchar_t>(data[i]);
    }

    const std::string path = Folder() + "/target.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << kOriginal;
    const std::wstring wide_path(path.begin(), path.end());
    boost::shared_ptr<CheckingHost> host(new CheckingHost);
    ReplaceFileVariables(host, CString(wide_path.c_str()), CString(variables.c_str()), CString(flags.c_str()),
                         unescape, log_hidden);

    const std::string after = ReadAll(path);
    if (after != kOriginal && !IsRewrite(after, variables.find(L'\n') != std::wstring::npos)) std::abort();
    if (access((path + ".tmp").c_str(), F_OK) == 0) std::abort();
    return 0;
}
