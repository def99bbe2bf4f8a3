// Prints the platform's answers to the calls listed on standard input, one line per call, so the
// Windows build's answers (under Wine) and winport's can be compared line by line.
//
// A line is a function and its arguments: numbers (decimal or 0x hex), "null", and quoted text
// with \xHH (a byte, or a UTF-16 unit in wide text), \uHHHH (a UTF-16 unit), \UHHHHHH (a code
// point), \0 \r \n \t \\ \"; any other backslash stands for itself. In an argument list a
// string is a"narrow" or w"wide".
//
//   mb CODEPAGE FLAGS "bytes" LENGTH|len OUTSIZE           MultiByteToWideChar
//   wc CODEPAGE FLAGS "text" LENGTH|len OUTSIZE DEFAULT USED  WideCharToMultiByte
//   msg FLAGS ID LANGUAGE SIZE ARGUMENT...                  FormatMessageW from the system
//   fmt FLAGS "template" SIZE ARGUMENT...                   FormatMessageW from a string
//   info LCID ITEM SIZE                                     GetLocaleInfoW
//   lcid NAME                                               the LCID of a locale name
//   cmpi "a" "b" | upper "text" | lower "text" | upper1 "c" | lower1 "c" | class "c"
//   file NAME "bytes" | file16 NAME "text"                  a file, as bytes or as UTF-16 with its mark
//   bytes NAME                                              the file's bytes, as fopen reads them
//   attr NAME | setattr NAME ATTRIBUTES                     Get/SetFileAttributesW (read-only and folder bits)
//   delete NAME | copy FROM TO FAILIFEXISTS                 DeleteFileW, CopyFileW
//   mkdir NAME | rmdir NAME                                 CreateDirectoryW, RemoveDirectoryW
//   find PATTERN                                            FindFirstFileW/FindNextFileW: sorted names, last error
//   open SLOT NAME ACCESS DISPOSITION FLAGS SHARE            CreateFileW into a numbered slot, with its last error
//   write SLOT "bytes" | read SLOT SIZE | flush SLOT | truncate SLOT | size SLOT | close SLOT
//   seek SLOT DISTANCE HIGH|null METHOD | seekex SLOT DISTANCE METHOD   SetFilePointer(Ex)
//   pipe READSLOT WRITESLOT | peek SLOT SIZE                 CreatePipe, PeekNamedPipe (SIZE 0: no buffer)
//   handle SLOT VALUE                                       a slot holding any value, as a handle of no kind
//   ini SECTION KEY DEFAULT SIZE NAME                       GetPrivateProfileStringW (null: "null")
//   iniset SECTION KEY VALUE NAME                           WritePrivateProfileStringW, then the bytes
//   regset PATH NAME "text" | regdword PATH NAME NUMBER     a value under HKLM (64-bit view)
//   regput PATH NAME TYPE "bytes"|w"text"                  a value under HKCU (all levels made); w"" as units and NUL
//   regmake PATH                                            RegCreateKeyExW under HKCU: code and disposition
//   regget PATH NAME SIZE|short|null                        RegQueryValueExW: code, type, size, data (text in chars)
//   regkeys PATH                                            RegEnumKeyExW: the names in order and the final code
//   regvalues PATH                                          RegEnumValueW: the names in order and the final code
//   regkey PATH INDEX SIZE                                  RegEnumKeyW into SIZE characters
//   regdel PATH                                             RegDeleteKeyW
//   reginfo PATH                                            RegQueryInfoKeyW: code subkeys longest values name data
//   regaccess PATH SAM                                      query, set and delete a value through a handle with SAM
//   regtree-clear PATH                                      the key and all below it deleted; prints "cleared"
//   setenv NAME "value"                                     SetEnvironmentVariableW (null: removed)
//   expand "text" SIZE                                      ExpandEnvironmentStringsW: count and text
//   getenv NAME SIZE                                        GetEnvironmentVariableW: count and text
//   split "path" DRIVE DIR NAME EXT                         _wsplitpath_s into parts of those sizes (-1: none)
//   makepath SIZE DRIVE DIR NAME EXT                        _wmakepath_s into SIZE characters (-1: no buffer)
//   product CODE PROPERTY SIZE                              MsiGetProductInfoW (SIZE -1: no buffer)
//   computer SIZE                                           GetComputerNameW (SIZE -1: no buffer)
//   filever PATH VERSIONSIZE LANGSIZE                      MsiGetFileVersionW
//   sid "S-1-..." NAMESIZE DOMAINSIZE                       LookupAccountSidW into buffers of the given sizes
//   acp                                                     GetACP and GetOEMCP
//   ntstatus STATUS                                         LsaNtStatusToWinError
#include <common-win32/platform.h>
#if defined(_WIN32)
#include <sddl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Token {
    bool is_text = false, is_null = false;
    char kind = 0;            // 'a' or 'w' before a quoted argument
    std::string bytes;        // narrow reading of quoted text
    std::wstring wide;        // wide reading of quoted text
    long long number = 0;
    bool is_len = false;      // the word "len": the text's own length
};

void AppendCodePoint(std::wstring& out, unsigned long cp) {
    if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

// Splits a line into tokens; false on a malformed one.
bool Tokenize(const std::string& line, std::vector<Token>& tokens) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') { ++i; continue; }
        Token t;
        if ((line[i] == 'a' || line[i] == 'w') && i + 1 < line.size() && line[i + 1] == '"') t.kind = line[i++];
        if (line[i] == '"') {
            t.is_text = true;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] != '\\') { t.bytes += line[i]; t.wide += static_cast<wchar_t>(line[i]); continue; }
                const char e = line[++i];
                int digits = e == 'x' ? 2 : e == 'u' ? 4 : e == 'U' ? 6 : 0;
                for (int k = 1; k <= digits; ++k)
                    if (i + k >= line.size() || !std::isxdigit(static_cast<unsigned char>(line[i + k]))) digits = 0;
                if (digits) {
                    const unsigned long v = std::strtoul(line.substr(i + 1, digits).c_str(), nullptr, 16);
                    i += digits;
                    if (e == 'x') { t.bytes += static_cast<char>(v); t.wide += static_cast<wchar_t>(v); }
                    else AppendCodePoint(t.wide, v);
                    continue;
                }
                if (!std::strchr("0rnt\\\"", e)) {
                    t.bytes += '\\';  // any other backslash stands for itself, as in a registry path
                    t.wide += L'\\';
                }
                const char c = e == '0' ? '\0' : e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
                t.bytes += c;
                t.wide += static_cast<wchar_t>(c);
            }
            if (i >= line.size()) return false;
            ++i;
        } else {
            const std::size_t end = line.find(' ', i);
            const std::string word = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
            i = end == std::string::npos ? line.size() : end;
            t.bytes = word;
            t.wide.assign(word.begin(), word.end());
            t.is_null = word == "null";
            t.is_len = word == "len";
            if (!t.is_null && !t.is_len) t.number = std::strtoll(word.c_str(), nullptr, 0);
        }
        tokens.push_back(t);
    }
    return true;
}

// Wide text as the lines show it; a surrogate pair prints as its code point, so that both
// widths of wchar_t print alike.
std::string Show(const wchar_t* text, std::size_t count) {
    std::string out = "\"";
    char hex[16];
    for (std::size_t i = 0; i < count; ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]) & (sizeof(wchar_t) == 2 ? 0xFFFF : 0xFFFFFFFF);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned long>(text[++i]) - 0xDC00);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') out += static_cast<char>(c);
        else { std::snprintf(hex, sizeof hex, c > 0xFFFF ? "\\U%06lX" : "\\u%04lX", c); out += hex; }
    }
    return out + "\"";
}

std::string ShowBytes(const char* bytes, std::size_t count) {
    std::string out = "\"";
    char hex[8];
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') out += static_cast<char>(c);
        else { std::snprintf(hex, sizeof hex, "\\x%02X", c); out += hex; }
    }
    return out + "\"";
}

// A file's bytes as fopen reads them; `missing` when it cannot be opened.
std::string ReadBytes(const std::string& name, const std::string& missing = "missing") {
    std::FILE* in = std::fopen(name.c_str(), "rb");
    if (!in) return missing;
    std::string bytes;
    for (int c; (c = std::fgetc(in)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(in);
    return ShowBytes(bytes.data(), bytes.size());
}

std::string Result(long long value, bool failed, std::string shown = "") {
    std::string out = std::to_string(value);
    if (failed) out += " error " + std::to_string(GetLastError());
    return shown.empty() ? out : out + " " + shown;
}

int Length(const Token& t, std::size_t own) { return t.is_len ? static_cast<int>(own) : static_cast<int>(t.number); }

// FormatMessageW's argument array: numbers as they are, strings as pointers into `tokens`.
std::vector<DWORD_PTR> Arguments(std::vector<Token>& tokens, std::size_t first) {
    std::vector<DWORD_PTR> args;
    for (std::size_t i = first; i < tokens.size(); ++i) {
        Token& t = tokens[i];
        if (!t.is_text) args.push_back(static_cast<DWORD_PTR>(t.number));
        else if (t.kind == 'a') args.push_back(reinterpret_cast<DWORD_PTR>(t.bytes.c_str()));
        else args.push_back(reinterpret_cast<DWORD_PTR>(t.wide.c_str()));
    }
    if (!args.empty()) args.resize(args.size() + 8);  // room for inserts past the given ones
    return args;
}

std::string FormatMessageCall(DWORD flags, LPCVOID source, DWORD id, DWORD language, DWORD size,
                              std::vector<DWORD_PTR>& args) {
    // No arguments given: none passed, as a caller without any would.
    auto* list = args.empty() ? nullptr : reinterpret_cast<va_list*>(args.data());
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        wchar_t* buffer = nullptr;
        const DWORD n = FormatMessageW(flags, source, id, language, reinterpret_cast<LPWSTR>(&buffer), size, list);
        std::string shown = buffer ? Show(buffer, n) : "";
        if (buffer) LocalFree(buffer);
        return Result(n, n == 0, shown);
    }
    std::vector<wchar_t> buffer(size ? size : 1);
    const DWORD n = FormatMessageW(flags, source, id, language, size ? buffer.data() : nullptr, size, list);
    return Result(n, n == 0, n ? Show(buffer.data(), n) : "");
}

// The LCID a locale name stands for: Windows looks the name up; on POSIX it becomes the user's
// locale ("sr-Latn-RS" as sr_RS@latin, "ca-ES-valencia" as ca_ES@valencia).
LCID LcidOf(const std::string& name) {
#if defined(_WIN32)
    return LocaleNameToLCID(std::wstring(name.begin(), name.end()).c_str(), 0);
#else
    std::string language = name.substr(0, name.find('-')), rest = name.substr(name.find('-') + 1), modifier;
    if (rest.rfind("Latn-", 0) == 0) { rest = rest.substr(5); modifier = "@latin"; }
    if (rest.find('-') != std::string::npos) { modifier = "@" + rest.substr(rest.find('-') + 1); rest.resize(2); }
    const char* before = std::getenv("LC_ALL");
    const std::string saved = before ? before : "";
    setenv("LC_ALL", (language + "_" + rest + ".UTF-8" + modifier).c_str(), 1);
    const LCID lcid = GetUserDefaultLCID();
    before ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
    return lcid;
#endif
}

// One text buffer of MsiGetFileVersionW as a case gives it: "null" passes neither buffer nor
// size, "~N" the size N without a buffer, N a buffer of N characters filled with '#'.
class SizedBuffer {
public:
    explicit SizedBuffer(const Token& t)
        : absent_(t.is_null), unbuffered_(!t.bytes.empty() && t.bytes[0] == '~'),
          capacity_(static_cast<DWORD>(std::strtoul(t.bytes.c_str() + (unbuffered_ ? 1 : 0), nullptr, 0))),
          size_(capacity_), text_(capacity_ + 1, L'#') {}
    LPWSTR buffer() { return absent_ || unbuffered_ ? nullptr : &text_[0]; }
    LPDWORD size() { return absent_ ? nullptr : &size_; }
    // The size after the call, and what the buffer holds up to its NUL (or its end).
    std::string Shown() const {
        if (absent_) return "-";
        if (unbuffered_) return std::to_string(size_);
        std::size_t n = 0;
        while (n < capacity_ && text_[n] != L'\0') ++n;
        return std::to_string(size_) + " " + Show(text_.data(), n);
    }

private:
    bool absent_, unbuffered_;
    DWORD capacity_, size_;
    std::wstring text_;
};

// The bytes the registry keeps for a string: its wchar_t units and one NUL.
std::string TextImage(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

// Sets value NAME of key PATH (made with all its levels) below `root` to `bytes`; the code.
std::string PutValue(HKEY root, REGSAM view, std::vector<Token>& a, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    LONG r = RegCreateKeyExW(root, a[0].wide.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr);
    if (r != ERROR_SUCCESS) return std::to_string(r);
    r = RegSetValueExW(key, a[1].is_null ? nullptr : a[1].wide.c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return std::to_string(r);
}

// A key below HKEY_CURRENT_USER, open for as long as a case needs it.
struct UserKey {
    HKEY key = nullptr;
    LONG opened;
    UserKey(const Token& path, REGSAM sam) : opened(RegOpenKeyExW(HKEY_CURRENT_USER, path.wide.data(), 0, sam, &key)) {}
    ~UserKey() { if (opened == ERROR_SUCCESS) RegCloseKey(key); }
    std::string Failure() const { return "open " + std::to_string(opened); }
};

// Deletes the key PATH below `root` with everything below it; true when it is gone.
bool ClearTree(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        wchar_t name[256];
        for (DWORD kept = 0; RegEnumKeyW(key, kept, name, 256) == ERROR_SUCCESS;)
            if (!ClearTree(key, name)) ++kept;
        RegCloseKey(key);
    }
    return RegDeleteKeyW(root, path.c_str()) == ERROR_SUCCESS;
}

std::string Call(const std::string& function, std::vector<Token>& a) {
    auto arg = [&](std::size_t i) -> Token& {
        static Token none;
        return i < a.size() ? a[i] : none;
    };
    auto n = [&](std::size_t i) { return static_cast<DWORD>(arg(i).number); };
    auto text = [&](std::size_t i) { return arg(i).is_null ? nullptr : arg(i).wide.c_str(); };
    if (function == "mb") {
        const Token& src = arg(2);
        std::vector<wchar_t> out(n(4) + 1);
        const int r = MultiByteToWideChar(n(0), n(1), src.is_null ? nullptr : src.bytes.data(),
                                          Length(arg(3), src.bytes.size()), n(4) ? out.data() : nullptr,
                                          static_cast<int>(arg(4).number));
        return Result(r, r == 0, r > 0 && n(4) ? Show(out.data(), static_cast<std::size_t>(r)) : "");
    }
    if (function == "wc") {
        const Token& src = arg(2);
        std::vector<char> out(n(4) + 1);
        BOOL used = FALSE;
        const int r = WideCharToMultiByte(n(0), n(1), src.is_null ? nullptr : src.wide.data(),
                                          Length(arg(3), src.wide.size()), n(4) ? out.data() : nullptr,
                                          static_cast<int>(arg(4).number),
                                          arg(5).is_null ? nullptr : arg(5).bytes.c_str(), n(6) ? &used : nullptr);
        return Result(r, r == 0, r > 0 && n(4) ? ShowBytes(out.data(), static_cast<std::size_t>(r)) : "");
    }
    if (function == "msg") {
        std::vector<DWORD_PTR> args = Arguments(a, 4);
        return FormatMessageCall(n(0), nullptr, n(1), n(2), n(3), args);
    }
    if (function == "fmt") {
        std::vector<DWORD_PTR> args = Arguments(a, 3);
        return FormatMessageCall(n(0) | FORMAT_MESSAGE_FROM_STRING, arg(1).wide.c_str(), 0, 0, n(2), args);
    }
    if (function == "info") {
        std::vector<wchar_t> out(n(2) + 2);
        const int r = GetLocaleInfoW(n(0), n(1), n(2) ? out.data() : nullptr, static_cast<int>(arg(2).number));
        if (r <= 0 || !n(2)) return Result(r, r == 0);
        if (n(1) & LOCALE_RETURN_NUMBER) return Result(r, false, std::to_string(*reinterpret_cast<DWORD*>(out.data())));
        return Result(r, false, Show(out.data(), static_cast<std::size_t>(r - 1)));
    }
    if (function == "lcid") {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04lX", static_cast<unsigned long>(LcidOf(arg(0).bytes)));
        return hex;
    }
    if (function == "cmpi") {
        const int r = lstrcmpiW(text(0), text(1));
        return std::to_string((r > 0) - (r < 0));
    }
    if (function == "upper" || function == "lower") {
        std::wstring text = arg(0).wide;
        function == "upper" ? CharUpperW(&text[0]) : CharLowerW(&text[0]);
        return Show(text.data(), text.size());
    }
    if (function == "upper1" || function == "lower1") {  // one character passed in the pointer
        auto* as_pointer = reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(arg(0).wide[0]));
        const auto r = reinterpret_cast<std::uintptr_t>(function == "upper1" ? CharUpperW(as_pointer)
                                                                             : CharLowerW(as_pointer));
        const wchar_t c = static_cast<wchar_t>(r);
        return Show(&c, 1);
    }
    if (function == "file" || function == "file16") {
        std::string bytes = arg(1).bytes;
        if (function == "file16") {
            bytes = "\xFF\xFE";
            std::vector<unsigned long> units;
            for (wchar_t c : arg(1).wide) {
                const auto cp = static_cast<unsigned long>(c);
                if (cp > 0xFFFF) units.insert(units.end(), {0xD800 + ((cp - 0x10000) >> 10), 0xDC00 + (cp & 0x3FF)});
                else units.push_back(cp);
            }
            for (unsigned long u : units) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        }
        std::FILE* out = std::fopen(arg(0).bytes.c_str(), "wb");
        const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        if (out) std::fclose(out);
        return written ? "written" : "not written";
    }
    if (function == "bytes") return ReadBytes(arg(0).bytes);
    if (function == "attr") {  // the bits both systems keep alike: not the archive or normal bits
        const DWORD r = GetFileAttributesW(arg(0).wide.c_str());
        return r == INVALID_FILE_ATTRIBUTES ? Result(-1, true)
                                            : std::to_string(r & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    }
    const wchar_t* name = arg(0).wide.c_str();
    const auto outcome = [](BOOL r) { return Result(r, !r); };  // the last error is read at once
    if (function == "setattr") return outcome(SetFileAttributesW(name, n(1)));
    if (function == "delete") return outcome(DeleteFileW(name));
    if (function == "copy") return outcome(CopyFileW(name, arg(1).wide.c_str(), n(2)));
    if (function == "mkdir") return outcome(CreateDirectoryW(name, nullptr));
    if (function == "rmdir") return outcome(RemoveDirectoryW(name));
    if (function == "find") {  // each name, "/" after a folder's and ":SIZE" after a file's
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW(name, &data);
        if (find == INVALID_HANDLE_VALUE) return Result(-1, true);
        std::vector<std::string> names;
        do {
            const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
            names.push_back(Show(data.cFileName, std::wcslen(data.cFileName)) +
                            (folder ? "/" : ":" + std::to_string(data.nFileSizeLow)));
        } while (FindNextFileW(find, &data));
        std::string shown = "error " + std::to_string(GetLastError());
        FindClose(find);
        std::sort(names.begin(), names.end());
        for (const std::string& entry : names) shown += " " + entry;
        return shown;
    }
    static std::map<long long, HANDLE> slots;  // the handles the file cases opened
    const HANDLE slot = slots.count(arg(0).number) ? slots[arg(0).number] : INVALID_HANDLE_VALUE;
    if (function == "open") {
        SetLastError(12345);  // a successful open sets its own last error, 0 or 183
        const HANDLE h = CreateFileW(arg(1).wide.c_str(), n(2), n(5), nullptr, n(3), n(4), nullptr);
        slots[arg(0).number] = h;
        return Result(h != INVALID_HANDLE_VALUE, true);
    }
    if (function == "handle") {
        slots[arg(0).number] = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(arg(1).number));
        return "set";
    }
    if (function == "pipe") {
        HANDLE read_end = INVALID_HANDLE_VALUE, write_end = INVALID_HANDLE_VALUE;
        const BOOL r = CreatePipe(&read_end, &write_end, nullptr, 0);
        slots[arg(0).number] = read_end;
        slots[arg(1).number] = write_end;
        return outcome(r);
    }
    if (function == "peek") {
        std::vector<char> buffer(n(1) + 1);
        DWORD count = 99, total = 99;
        const BOOL r = PeekNamedPipe(slot, n(1) ? buffer.data() : nullptr, n(1), n(1) ? &count : nullptr, &total, nullptr);
        return Result(r, !r, "total " + std::to_string(total) + (n(1) ? " " + ShowBytes(buffer.data(), r ? count : 0) : ""));
    }
    if (function == "write") {
        const std::string& bytes = arg(1).bytes;
        DWORD count = 99;
        const BOOL r = WriteFile(slot, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr);
        return Result(r, !r, "count " + std::to_string(count) + " " + ShowBytes(bytes.data(), r ? count : 0));
    }
    if (function == "read") {
        std::vector<char> buffer(n(1) + 1);
        DWORD count = 99;
        const BOOL r = ReadFile(slot, buffer.data(), n(1), &count, nullptr);
        return Result(r, !r, "count " + std::to_string(count) + " " + ShowBytes(buffer.data(), r ? count : 0));
    }
    if (function == "flush") return outcome(FlushFileBuffers(slot));
    if (function == "truncate") return outcome(SetEndOfFile(slot));
    if (function == "close") return outcome(CloseHandle(slot));
    if (function == "size") {
        DWORD high = 7;
        const DWORD r = GetFileSize(slot, &high);
        return Result(r, r == INVALID_FILE_SIZE) + " high " + std::to_string(high);
    }
    if (function == "seek") {
        LONG high = static_cast<LONG>(arg(2).number);
        const DWORD r = SetFilePointer(slot, static_cast<LONG>(arg(1).number), arg(2).is_null ? nullptr : &high, n(3));
        return Result(r, r == INVALID_SET_FILE_POINTER) + (arg(2).is_null ? "" : " high " + std::to_string(high));
    }
    if (function == "seekex") {
        LARGE_INTEGER distance, position;
        distance.QuadPart = arg(1).number;
        position.QuadPart = -1;
        const BOOL r = SetFilePointerEx(slot, distance, &position, n(2));
        return Result(r, !r, "at " + std::to_string(position.QuadPart));
    }
    if (function == "ini") {
        const std::size_t size = n(3);
        std::vector<wchar_t> out(size + 2, L'#');
        const std::wstring file = L".\\" + arg(4).wide;
        SetLastError(1234);
        const DWORD r = GetPrivateProfileStringW(text(0), text(1), text(2), out.data(), n(3), file.c_str());
        // The terminators and what lies past them show whether the list's two NULs were written.
        return Result(r, true, Show(out.data(), std::min<std::size_t>(size, static_cast<std::size_t>(r) + 2)));
    }
    if (function == "iniset") {
        const std::wstring file = L".\\" + arg(3).wide;
        const BOOL r = WritePrivateProfileStringW(text(0), text(1), text(2), file.c_str());
        return Result(r, !r, ReadBytes(arg(3).bytes, "\"\""));
    }
    if (function == "regset") return PutValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, a, REG_SZ, TextImage(arg(2).wide));
    if (function == "regdword") {
        const DWORD number = n(2);
        return PutValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, a, REG_DWORD,
                        std::string(reinterpret_cast<const char*>(&number), sizeof number));
    }
    if (function == "product") {
        const long long size = arg(2).number;
        std::vector<wchar_t> out(size > 0 ? static_cast<std::size_t>(size) + 1 : 1, L'#');
        DWORD capacity = size < 0 ? 0 : static_cast<DWORD>(size);
        const UINT r = MsiGetProductInfoW(text(0), text(1), size < 0 ? nullptr : out.data(), &capacity);
        const std::size_t shown = size > 0 ? std::min<std::size_t>(static_cast<std::size_t>(size), capacity + 1) : 0;
        return std::to_string(r) + " size " + std::to_string(capacity) + (shown ? " " + Show(out.data(), shown) : "");
    }
    if (function == "computer") {
        const long long size = arg(0).number;
        std::vector<wchar_t> out(size > 0 ? static_cast<std::size_t>(size) : 1, L'#');
        DWORD capacity = size < 0 ? 0 : static_cast<DWORD>(size);
        const BOOL r = GetComputerNameW(size < 0 ? nullptr : out.data(), &capacity);
        return Result(r, !r, "size " + std::to_string(capacity) + (r ? " " + Show(out.data(), capacity) : ""));
    }
    if (function == "account") {  // LookupAccountNameW into buffers of the given sizes
        const DWORD sid_capacity = static_cast<DWORD>(arg(1).number), domain_capacity = static_cast<DWORD>(arg(2).number);
        std::vector<BYTE> sid(sid_capacity + 1);
        std::vector<wchar_t> domain(domain_capacity + 1, L'#');
        DWORD sid_size = sid_capacity, domain_size = domain_capacity;
        SID_NAME_USE use = SidTypeInvalid;
        const BOOL r = LookupAccountNameW(nullptr, arg(0).wide.c_str(), sid.data(), &sid_size, domain.data(),
                                          &domain_size, &use);
        std::string shown = "sid " + std::to_string(sid_size) + " domain " + std::to_string(domain_size);
        LPWSTR text = nullptr;
        if (r && ConvertSidToStringSidW(sid.data(), &text)) {
            shown += " " + Show(text, std::wcslen(text)) + " " + Show(domain.data(), domain_size) + " use " +
                     std::to_string(use);
            LocalFree(text);
        }
        return Result(r, !r, shown);
    }
    if (function == "sid") {
        PSID sid = nullptr;
        if (!ConvertStringSidToSidW(arg(0).wide.c_str(), &sid)) return Result(0, true);
        std::vector<wchar_t> account(n(1) + 1, L'#'), domain(n(2) + 1, L'#');
        DWORD account_size = n(1), domain_size = n(2);
        SID_NAME_USE use = SidTypeInvalid;
        const BOOL r = LookupAccountSidW(nullptr, sid, account.data(), &account_size, domain.data(), &domain_size, &use);
        LocalFree(sid);
        std::string shown = "name " + std::to_string(account_size) + " domain " + std::to_string(domain_size);
        if (r) shown += " " + Show(domain.data(), domain_size) + " " + Show(account.data(), account_size) + " use " +
                        std::to_string(use);
        return Result(r, !r, shown);
    }
    if (function == "acp") return std::to_string(GetACP()) + " " + std::to_string(GetOEMCP());
    if (function == "ntstatus")
        return std::to_string(LsaNtStatusToWinError(static_cast<NTSTATUS>(static_cast<std::uint32_t>(arg(0).number))));
    if (function == "class") {
        const wchar_t c = arg(0).wide.empty() ? 0 : arg(0).wide[0];
        return std::string(IsCharAlphaW(c) ? "alpha" : "-") + (IsCharAlphaNumericW(c) ? " alnum" : " -") +
               (IsCharUpperW(c) ? " upper" : " -") + (IsCharLowerW(c) ? " lower" : " -");
    }
    if (function == "classes") {  // the four class answers over the code units FROM..TO, in runs
        std::string runs;
        const long long from = arg(0).number, to = arg(1).number;
        auto bits = [](wchar_t c) {
            return std::string(IsCharAlphaW(c) ? "a" : "-") + (IsCharAlphaNumericW(c) ? "n" : "-") +
                   (IsCharUpperW(c) ? "U" : "-") + (IsCharLowerW(c) ? "l" : "-");
        };
        for (long long start = from; start <= to;) {
            const std::string kind = bits(static_cast<wchar_t>(start));
            long long end = start;
            while (end < to && bits(static_cast<wchar_t>(end + 1)) == kind) ++end;
            char range[24];
            std::snprintf(range, sizeof range, "%04llx-%04llx:", start, end);
            runs += (runs.empty() ? "" : " ") + std::string(range) + kind;
            start = end + 1;
        }
        return runs;
    }
    if (function == "filever") {
        SizedBuffer version(arg(1)), language(arg(2));
        const UINT r = MsiGetFileVersionW(arg(0).is_null ? nullptr : arg(0).wide.c_str(), version.buffer(),
                                          version.size(), language.buffer(), language.size());
        return std::to_string(r) + " version " + version.Shown() + " language " + language.Shown();
    }
    if (function == "regput") {
        const Token& data = arg(3);
        return PutValue(HKEY_CURRENT_USER, 0, a, n(2), data.kind == 'w' ? TextImage(data.wide) : data.bytes);
    }
    if (function == "regmake") {
        HKEY key = nullptr;
        DWORD disposition = 0;
        const LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, arg(0).wide.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key,
                                       &disposition);
        if (r == ERROR_SUCCESS) RegCloseKey(key);
        return std::to_string(r) + " disposition " + std::to_string(disposition);
    }
    if (function == "regget") {  // SIZE "short": one byte less than the value holds
        UserKey k(arg(0), KEY_QUERY_VALUE);
        if (k.opened) return k.Failure();
        DWORD type = 0, size = n(2);
        if (arg(2).bytes == "short" && RegQueryValueExW(k.key, text(1), nullptr, nullptr, nullptr, &size) == 0) --size;
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 1);
        const LONG r = RegQueryValueExW(k.key, text(1), nullptr, &type,
                                        arg(2).is_null ? nullptr : reinterpret_cast<BYTE*>(data.data()), &size);
        // Strings in characters: wchar_t is 4 bytes on POSIX and 2 on Windows.
        const bool is_text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
        std::string shown = std::to_string(r) + " type " + std::to_string(type) +
                            (is_text ? " chars " + std::to_string(size / sizeof(wchar_t))
                                     : " bytes " + std::to_string(size));
        if (r != ERROR_SUCCESS || arg(2).is_null) return shown;
        return shown + " " + (is_text ? Show(data.data(), size / sizeof(wchar_t))
                                      : ShowBytes(reinterpret_cast<const char*>(data.data()), size));
    }
    if (function == "regkeys" || function == "regvalues") {  // the names in order, then the code that ended them
        UserKey k(arg(0), KEY_READ);
        if (k.opened) return k.Failure();
        std::string shown;
        wchar_t name[256];
        LONG r = ERROR_SUCCESS;
        for (DWORD i = 0; r == ERROR_SUCCESS; ++i) {
            DWORD length = 256;
            r = function == "regkeys" ? RegEnumKeyExW(k.key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                                      : RegEnumValueW(k.key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (r == ERROR_SUCCESS) shown += Show(name, length) + " ";
        }
        return shown + std::to_string(r);
    }
    if (function == "regkey") {
        UserKey k(arg(0), KEY_READ);
        if (k.opened) return k.Failure();
        std::vector<wchar_t> name(n(2) + 1, L'#');
        const LONG r = RegEnumKeyW(k.key, n(1), name.data(), n(2));
        return std::to_string(r) + (r == ERROR_SUCCESS ? " " + Show(name.data(), std::wcslen(name.data())) : "");
    }
    if (function == "regdel") return std::to_string(RegDeleteKeyW(HKEY_CURRENT_USER, arg(0).wide.c_str()));
    if (function == "reginfo") {
        UserKey k(arg(0), KEY_READ);
        if (k.opened) return k.Failure();
        DWORD c[5] = {};  // subkeys, longest subkey, values, longest value name, longest data
        std::string shown = std::to_string(RegQueryInfoKeyW(k.key, nullptr, nullptr, nullptr, &c[0], &c[1], nullptr,
                                                            &c[2], &c[3], &c[4], nullptr, nullptr));
        for (DWORD count : c) shown += " " + std::to_string(count);
        return shown;
    }
    if (function == "regaccess") {  // what a handle opened with SAM may do to a value
        UserKey k(arg(0), n(1));
        if (k.opened) return k.Failure();
        DWORD one = 1, size = sizeof one;
        const LONG query =
            RegQueryValueExW(k.key, L"probe-access", nullptr, nullptr, reinterpret_cast<BYTE*>(&one), &size);
        const LONG set = RegSetValueExW(k.key, L"probe-access", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
        const LONG removed = RegDeleteValueW(k.key, L"probe-access");
        return "query " + std::to_string(query) + " set " + std::to_string(set) + " delete " + std::to_string(removed);
    }
    if (function == "regtree-clear") {  // every run starts without what the last one left
        ClearTree(HKEY_CURRENT_USER, arg(0).wide);
        return "cleared";
    }
    if (function == "setenv") return SetEnvironmentVariableW(arg(0).wide.c_str(), text(1)) ? "set" : Result(0, true);
    if (function == "getenv") {
        std::vector<wchar_t> out(n(1) + 1, L'#');
        const DWORD r = GetEnvironmentVariableW(arg(0).wide.c_str(), out.data(), n(1));
        return Result(r, r == 0, r && r < n(1) ? Show(out.data(), r) : "");
    }
    if (function == "split") {  // each part's buffer starts as "##": what was not written shows
        std::wstring parts[4] = {L"##", L"##", L"##", L"##"};
        wchar_t* at[4];
        for (int i = 0; i < 4; ++i) {
            parts[i].resize(8, L'\0');
            at[i] = arg(i + 1).number < 0 ? nullptr : &parts[i][0];
        }
        auto size = [&](int i) { return arg(i + 1).number < 0 ? 0 : static_cast<std::size_t>(arg(i + 1).number); };
        errno = 0;
        const errno_t r = _wsplitpath_s(text(0), at[0], size(0), at[1], size(1), at[2], size(2), at[3], size(3));
        std::string shown = std::to_string(r) + " errno " + std::to_string(errno);
        for (int i = 0; i < 4; ++i) shown += at[i] ? " " + Show(at[i], std::wcslen(at[i])) : " -";
        return shown;
    }
    if (function == "makepath") {
        wchar_t out[16] = L"##";
        errno = 0;
        const errno_t r = _wmakepath_s(arg(0).number < 0 ? nullptr : out, arg(0).number < 0 ? 0 : n(0), text(1),
                                       text(2), text(3), text(4));
        return std::to_string(r) + " errno " + std::to_string(errno) + " " + Show(out, std::wcslen(out));
    }
    if (function == "expand") {
        std::vector<wchar_t> out(n(1) + 1, L'#');
        const DWORD r = ExpandEnvironmentStringsW(arg(0).wide.c_str(), n(1) ? out.data() : nullptr, n(1));
        return Result(r, r == 0, r && r <= n(1) ? Show(out.data(), r) : "");
    }
    return "unknown function";
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<Token> tokens;
        const std::string function = line.substr(0, line.find(' '));
        std::string answer = "malformed line";
        if (Tokenize(line.substr(function.size()), tokens)) {
            SetLastError(0);
            answer = Call(function, tokens);
        }
        std::cout << line << " => " << answer << "\n";
    }
    return 0;
}
