// CLibraryInterop: one loaded library per object, every step logged behind "[CLibraryInterop] ".
#include "common-win32/library_interop.h"

#include "common-win32/conversions.h"

#include <vector>

namespace {

constexpr DWORD kAlteredSearchPath = 8;  // LOAD_WITH_ALTERED_SEARCH_PATH

// A second load of the library behind `module` (same handle, load count raised), so that a
// copy owns a reference of its own. Null when the library's file cannot be named or loaded.
HMODULE AddLoadReference(HMODULE module) {
    if (module == nullptr) return nullptr;
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return nullptr;
        if (length < path.size()) break;  // a truncated name fills the whole buffer
        path.resize(path.size() * 2);
    }
    return LoadLibraryExW(path.data(), nullptr, kAlteredSearchPath);
}

}  // namespace

CLibraryInterop::CLibraryInterop(boost::shared_ptr<ILogger> logger, const wchar_t* path)
    : m_module(nullptr), m_logger(logger), m_log(logger, L"[CLibraryInterop] ") {
    if (path != nullptr) CLibraryInterop::SetFile(path);
}

// Taking the reference is not logged: the copy names no file of its own. When it cannot be
// taken the copy starts empty rather than share a load it does not own.
CLibraryInterop::CLibraryInterop(const CLibraryInterop& other)
    : m_module(AddLoadReference(other.m_module)), m_logger(other.m_logger), m_log(other.m_log) {}

CLibraryInterop& CLibraryInterop::operator=(const CLibraryInterop& other) {
    if (this == &other) return *this;
    HMODULE reference = AddLoadReference(other.m_module);  // before the unload: both may be one library
    Unload();
    m_module = reference;
    m_logger = other.m_logger;
    m_log = other.m_log;
    return *this;
}

CLibraryInterop::~CLibraryInterop() { Unload(); }

bool CLibraryInterop::Unload() {
    if (m_module != nullptr) {
        FreeLibrary(m_module);
        m_module = nullptr;
    }
    return true;
}

bool CLibraryInterop::SetFile(const wchar_t* path) {
    Unload();
    if (path == nullptr) return false;
    m_module = LoadLibraryExW(path, nullptr, kAlteredSearchPath);
    CString line;
    line.Format(m_module != nullptr ? L"loaded DLL '%s'" : L"failed to load DLL '%s'", path);
    m_log.Log(line.GetString());
    return m_module != nullptr;
}

FARPROC CLibraryInterop::GetFunction(const wchar_t* name) {
    if (m_module == nullptr) {
        m_log.Log(L"cannot load function -- there is no DLL to load from");
        return nullptr;
    }
    const wchar_t* shown = name ? name : L"";
    const CStringA narrow = ToAnsi(shown, CW32_ENCODING_UTF8);
    FARPROC function = name ? GetProcAddress(m_module, narrow.GetString()) : nullptr;
    CString line;
    line.Format(function != nullptr ? L"located DLL function '%s'" : L"failed to find DLL function '%s'", shown);
    m_log.Log(line.GetString());
    return function;
}
