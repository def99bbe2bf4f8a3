// The Windows command-line rules and program search, for CreateProcessW on POSIX.
#include "process/command_line.h"

#include "core/text.h"

#include <winport/errors.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace winport::detail {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool HasExtension(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

std::string CurrentDirectory() {
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

std::string CallingProgramDirectory() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string exe(buf, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

enum class Probe { Missing, NotRunnable, Runnable };

Probe ProbeFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return Probe::Missing;
    return ::access(path.c_str(), X_OK) == 0 ? Probe::Runnable : Probe::NotRunnable;
}

// Tries `path` and, without an extension, `path` + ".exe".
std::string TryVariants(const std::string& path, bool* saw_unrunnable) {
    std::string variants[2] = {path, HasExtension(path) ? std::string() : path + ".exe"};
    for (const std::string& v : variants) {
        if (v.empty()) continue;
        Probe p = ProbeFile(v);
        if (p == Probe::Runnable) return v;
        if (p == Probe::NotRunnable) *saw_unrunnable = true;
    }
    return {};
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> args;
    std::size_t i = 0;
    // The program name: no escapes at all.
    std::wstring program;
    if (i < line.size() && line[i] == L'"') {
        ++i;
        while (i < line.size() && line[i] != L'"') program += line[i++];
        if (i < line.size()) ++i;
    } else {
        while (i < line.size() && !IsBlank(line[i])) program += line[i++];
    }
    args.push_back(program);

    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            if (line[i] == L'\\') {
                std::size_t run = 0;
                while (i < line.size() && line[i] == L'\\') ++run, ++i;
                if (i < line.size() && line[i] == L'"') {
                    arg.append(run / 2, L'\\');
                    if (run % 2 == 1) {
                        arg += L'"';
                        ++i;
                    }
                } else {
                    arg.append(run, L'\\');
                }
            } else if (line[i] == L'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::vector<std::wstring> ProgramCandidates(std::wstring_view line) {
    std::vector<std::wstring> out;
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    line.remove_prefix(start);
    if (line.empty()) return out;
    if (line[0] == L'"') {
        std::size_t close = line.find(L'"', 1);
        out.emplace_back(line.substr(1, close == std::wstring_view::npos ? std::wstring_view::npos : close - 1));
        return out;
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (IsBlank(line[i]) && i > 0 && !IsBlank(line[i - 1])) out.emplace_back(line.substr(0, i));
    }
    std::size_t end = line.size();
    while (end > 0 && IsBlank(line[end - 1])) --end;
    if (out.empty() || out.back().size() != end) out.emplace_back(line.substr(0, end));
    return out;
}

std::string FindProgram(std::wstring_view name, DWORD* error) {
    bool saw_unrunnable = false;
    const std::string posix = ToPosixPath(std::wstring(name).c_str());
    std::string found;
    if (posix.empty()) {
        // nothing to look for
    } else if (posix.find('/') != std::string::npos) {
        found = TryVariants(posix[0] == '/' ? posix : CurrentDirectory() + "/" + posix, &saw_unrunnable);
    } else {
        std::vector<std::string> dirs;
        std::string own = CallingProgramDirectory();
        if (!own.empty()) dirs.push_back(own);
        dirs.push_back(CurrentDirectory());
        if (const char* path = std::getenv("PATH")) {
            std::string all(path);
            std::size_t from = 0;
            while (from <= all.size()) {
                std::size_t colon = all.find(':', from);
                std::string dir = all.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
                dirs.push_back(dir.empty() ? CurrentDirectory() : dir);
                if (colon == std::string::npos) break;
                from = colon + 1;
            }
        }
        for (const std::string& dir : dirs) {
            found = TryVariants(dir + "/" + posix, &saw_unrunnable);
            if (!found.empty()) break;
        }
    }
    if (found.empty() && error) *error = saw_unrunnable ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    return found;
}

}  // namespace winport::detail
