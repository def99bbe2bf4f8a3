#include "support/test_programs.h"

#include <common-win32/common-win32.h>

#include <vector>

namespace cw32test {

std::wstring ProgramDirectory() {
    std::vector<wchar_t> path(4096);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring full(path.data(), length);
    const std::size_t cut = full.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring(L".") : full.substr(0, cut);
}

const wchar_t* PathSeparator() {
#if defined(_WIN32)
    return L"\\";
#else
    return L"/";
#endif
}

std::wstring TestPluginPath() {
#if defined(_WIN32)
    const wchar_t* name = L"cw32-test-plugin.dll";
#else
    const wchar_t* name = L"cw32-test-plugin.so";
#endif
    return ProgramDirectory() + PathSeparator() + L"plugins" + PathSeparator() + name;
}

std::wstring DemoRedist(const std::wstring& arguments) { return L"cw32-demo-redist " + arguments; }

std::wstring BuiltProgram(const wchar_t* name, const std::wstring& arguments) {
#if defined(_WIN32)
    const wchar_t* suffix = L".exe";
#else
    const wchar_t* suffix = L"";
#endif
    return L"\"" + ProgramDirectory() + PathSeparator() + name + suffix + L"\" " + arguments;
}

std::wstring DemoService(const std::wstring& arguments) { return BuiltProgram(L"cw32-demo-service", arguments); }

}  // namespace cw32test
