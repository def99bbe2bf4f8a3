// Stopping a service together with the running services that depend on it: the control
// manager refuses to stop a service while a dependent runs, so the dependents go first.
#include <common-win32/services.h>

#include "services/service_lines.h"
#include "support/unique_handle.h"

#include <string>
#include <vector>

using cw32::UniqueServiceHandle;

namespace {

// The running services that depend on `service`, directly or through others, in the order the
// control manager gives them: each before the services it depends on. 0, or the Windows error.
DWORD RunningDependents(const wchar_t* service, std::vector<std::wstring>& names) {
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return GetLastError();
    UniqueServiceHandle handle(OpenServiceW(manager.get(), service, SERVICE_ENUMERATE_DEPENDENTS));
    if (!handle) return GetLastError();
    // Asked with no buffer first; the list may grow between the calls, so a short buffer is
    // asked again with the size reported.
    std::vector<ENUM_SERVICE_STATUSW> entries;
    DWORD needed = 0, count = 0;
    while (!EnumDependentServicesW(handle.get(), SERVICE_ACTIVE, entries.empty() ? nullptr : entries.data(),
                                   static_cast<DWORD>(entries.size() * sizeof(ENUM_SERVICE_STATUSW)), &needed,
                                   &count)) {
        if (GetLastError() != ERROR_MORE_DATA) return GetLastError();
        entries.resize(needed / sizeof(ENUM_SERVICE_STATUSW) + 1);
    }
    for (DWORD i = 0; i < count; ++i) names.emplace_back(entries[i].lpServiceName);
    return ERROR_SUCCESS;
}

}  // namespace

int StopNTServiceTree(const wchar_t* service, unsigned long deadline_ms, boost::shared_ptr<ILogger> logger) {
    std::vector<std::wstring> dependents;
    if (const DWORD error = RunningDependents(service, dependents)) {
        CString text;
        text.Format(L"StopNTServiceTree: Service: %s: its running dependents cannot be listed, error %d", service,
                    static_cast<int>(error));
        cw32::services::LogNtServiceError(text, logger);
        return 0;
    }
    for (const std::wstring& dependent : dependents)
        if (!ControlNTServiceEx(dependent.c_str(), false, deadline_ms, logger)) return 0;
    return ControlNTServiceEx(service, false, deadline_ms, logger);
}
