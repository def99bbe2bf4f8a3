// POSIX emulation of the dynamic-library calls on dlopen: LoadLibraryExW (with the altered
// search path), GetProcAddress, FreeLibrary, GetModuleFileNameW. No library logic here.
#include <winport/errors.h>
#include <winport/module.h>
#include <winport/sspi.h>

#include "core/calllog.h"
#include "core/elf_needed.h"
#include "core/fault.h"
#include "core/handles.h"
#include "core/text.h"
#include "core/unsupported.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <mutex>

using winport::HandleKind;

namespace {

// One per loaded library, however often it was loaded: Windows hands out one module handle
// per library and counts the loads.
struct ModuleObject : winport::detail::KernelObject {
    explicit ModuleObject(void* dl) : KernelObject(HandleKind::Module), library(dl) {}
    void* const library;
};

struct Loaded {
    HMODULE handle;
    unsigned loads;
};

std::mutex g_modules_mutex;
std::map<void*, Loaded>& Modules() {  // keyed by dlopen's handle
    static auto* m = new std::map<void*, Loaded>;
    return *m;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The dynamic loader looks for a library's dependencies along its own path, never in the
// library's directory. Loading each dependency that lies beside the library first, by its full
// path, makes the loader find it already loaded under its name; each of those loads is
// dropped again once the library itself holds the dependency.
std::vector<void*> PreloadNeighbours(const std::string& path) {
    std::vector<void*> loaded;
    std::size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    for (const std::string& needed : winport::detail::ElfNeededLibraries(path)) {
        std::string beside = dir + "/" + needed;
        if (needed.find('/') != std::string::npos || !IsFile(beside)) continue;
        for (void* dep : PreloadNeighbours(beside)) loaded.push_back(dep);
        if (void* dl = ::dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) loaded.push_back(dl);
    }
    return loaded;
}

// A file that is there but will not load is not a library (or not one for this machine); a
// missing one is ERROR_MOD_NOT_FOUND, which Windows gives for a path as for a bare name.
DWORD LoadError(const std::string& path, bool has_dir) {
    return has_dir && IsFile(path) ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND;
}

// The security provider is part of this library: "security.dll" and "secur32.dll" (any case,
// ".dll" optional as Windows adds it) load the library itself, where GetProcAddress finds
// InitSecurityInterfaceW.
bool NamesSecurityProvider(const std::wstring& name) {
    std::wstring folded = winport::detail::FoldCase(name);
    if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, winport::detail::FoldCase(L".dll")) == 0) folded.resize(folded.size() - 4);
    return folded == winport::detail::FoldCase(L"security") || folded == winport::detail::FoldCase(L"secur32");
}

void* OpenSecurityProvider() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&InitSecurityInterfaceW), &info) != 0 && info.dli_fname != nullptr) {
        if (void* dl = ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD)) return dl;
    }
    return ::dlopen(nullptr, RTLD_NOW);  // linked into the program itself
}

}  // namespace

extern "C" HMODULE WINAPI LoadLibraryExW(LPCWSTR file_name, HANDLE file, DWORD flags) {
    winport::detail::LogCall("LoadLibraryExW", [&] {
        return winport::detail::ToUtf8(file_name ? file_name : L"") + " flags=" + std::to_string(flags);
    });
    if (winport::detail::FaultPoint("LoadLibraryExW")) return nullptr;
    if (file_name == nullptr || *file_name == L'\0' || file != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((flags & ~LOAD_WITH_ALTERED_SEARCH_PATH) != 0) {
        winport::detail::ReportUnsupported("LoadLibraryExW", "flags " + std::to_string(flags));  // data-file loads and the like
        return nullptr;
    }
    const std::string path = winport::detail::ToPosixPath(file_name);
    const bool has_dir = path.find('/') != std::string::npos;
    void* dl = nullptr;
    if (!has_dir && NamesSecurityProvider(file_name)) {
        dl = OpenSecurityProvider();
    } else {
        // A bare name goes to the loader's own search, as Windows searches its path for one.
        std::vector<void*> neighbours;
        if (has_dir && (flags & LOAD_WITH_ALTERED_SEARCH_PATH)) neighbours = PreloadNeighbours(path);
        dl = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        for (auto it = neighbours.rbegin(); it != neighbours.rend(); ++it) ::dlclose(*it);
    }
    if (dl == nullptr) {
        SetLastError(LoadError(path, has_dir));
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_modules_mutex);
    auto found = Modules().find(dl);
    if (found != Modules().end()) {
        ++found->second.loads;
        return found->second.handle;
    }
    auto handle = static_cast<HMODULE>(winport::detail::RegisterHandle(std::make_shared<ModuleObject>(dl)));
    Modules()[dl] = Loaded{handle, 1};
    return handle;
}

extern "C" HMODULE WINAPI LoadLibraryW(LPCWSTR file_name) { return LoadLibraryExW(file_name, nullptr, 0); }

extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    winport::detail::LogCall("GetProcAddress", [&] { return std::string(name ? name : ""); });
    if (winport::detail::FaultPoint("GetProcAddress")) return nullptr;
    auto object = winport::detail::LookupHandleAs<ModuleObject>(module, HandleKind::Module);
    if (!object) return nullptr;
    if (name == nullptr || reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF) {
        SetLastError(ERROR_PROC_NOT_FOUND);  // exports by ordinal do not exist in ELF
        return nullptr;
    }
    void* symbol = ::dlsym(object->library, name);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE module) {
    winport::detail::LogCall("FreeLibrary", [&] { return std::to_string(reinterpret_cast<std::uintptr_t>(module)); });
    if (winport::detail::FaultPoint("FreeLibrary")) return FALSE;
    auto object = winport::detail::LookupHandleAs<ModuleObject>(module, HandleKind::Module);
    if (!object) return FALSE;
    {
        std::lock_guard<std::mutex> lock(g_modules_mutex);
        auto found = Modules().find(object->library);
        if (found != Modules().end() && --found->second.loads == 0) {
            Modules().erase(found);
            winport::detail::ReleaseHandle(module);
        }
    }
    ::dlclose(object->library);
    return TRUE;
}

extern "C" DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR file_name, DWORD size) {
    if (winport::detail::FaultPoint("GetModuleFileNameW")) return 0;
    std::string path;
    if (module == nullptr) {
        char buf[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
        if (n > 0) path.assign(buf, static_cast<std::size_t>(n));
    } else {
        auto object = winport::detail::LookupHandleAs<ModuleObject>(module, HandleKind::Module);
        if (!object) return 0;
        struct link_map* map = nullptr;
        if (::dlinfo(object->library, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) path = map->l_name;
    }
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::wstring wide = winport::detail::FromUtf8(path);
    if (file_name == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (wide.size() + 1 > size) {
        // Windows truncates, terminates and returns the full buffer size.
        wide.copy(file_name, size - 1);
        file_name[size - 1] = L'\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    wide.copy(file_name, wide.size());
    file_name[wide.size()] = L'\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(wide.size());
}
