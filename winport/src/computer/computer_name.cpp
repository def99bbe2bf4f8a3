// POSIX emulation of GetComputerNameW from the host name; no library logic here.
#include <winport/computer.h>
#include <winport/errors.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "computer/computer_name.h"

#include <cwctype>
#include <string>
#include <unistd.h>

namespace {

// NetBIOS names hold at most 15 characters.
constexpr std::size_t kNetbiosLength = 15;

}  // namespace

std::wstring winport::detail::NetbiosName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return L"LOCALHOST";
    std::wstring name = winport::detail::FromUtf8(std::string(host).substr(0, std::string(host).find('.')));
    if (name.size() > kNetbiosLength) name.resize(kNetbiosLength);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return name;
}

extern "C" BOOL WINAPI GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
    winport::detail::LogCall("GetComputerNameW", [&] { return "size=" + std::to_string(nSize ? *nSize : 0); });
    if (winport::detail::FaultPoint("GetComputerNameW")) return FALSE;
    if (nSize == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::wstring name = winport::detail::NetbiosName();
    const DWORD needed = static_cast<DWORD>(name.size()) + 1;
    if (lpBuffer == nullptr || *nSize < needed) {
        *nSize = needed;
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    name.copy(lpBuffer, name.size());
    lpBuffer[name.size()] = L'\0';
    *nSize = needed - 1;
    return TRUE;
}
