// POSIX emulation of EnumDependentServicesW: the services whose dependency lists name a
// service, directly or through others, read from the scm_service table. No library logic here.
#include <winport/errors.h>
#include <winport/service.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "scm/scm_script.h"
#include "scm/scm_store.h"

#include <cstring>
#include <map>
#include <set>

using namespace winport::detail;
using namespace winport::detail::scm;

namespace {

using Services = std::map<std::wstring, Service>;  // by folded name

Services LoadAll(Store& store) {
    std::vector<std::wstring> names;
    Statement q(store, "SELECT folded FROM scm_service ORDER BY folded");
    while (q.Step()) names.push_back(FromUtf8(q.Text(0)));
    Services all;
    for (const std::wstring& folded : names)
        if (std::optional<Service> service = Load(store, folded)) all.emplace(folded, std::move(*service));
    return all;
}

// The status the service would report now: a scripted answer, or the stored one, where a
// process that has ended without reporting counts as stopped.
SERVICE_STATUS CurrentStatus(const std::wstring& folded, const Service& service) {
    SERVICE_STATUS status = service.status;
    if (std::optional<DWORD> scripted = ScriptedState(folded))
        status.dwCurrentState = *scripted;
    else if (service.pid != 0 && !ProcessAlive(service.pid, service.started))
        status.dwCurrentState = SERVICE_STOPPED;
    return status;
}

// Every service that depends on `folded`, each placed before the services it depends on:
// the dependents of a dependent come first (a walk that visits each service once, so a
// cycle in the lists ends).
void CollectDependents(const Services& all, const std::wstring& folded, std::set<std::wstring>& seen,
                       std::vector<std::wstring>& order) {
    for (const auto& [name, service] : all) {
        if (seen.count(name) != 0) continue;
        bool depends = false;
        for (const std::wstring& dependency : service.dependencies) depends = depends || Folded(dependency) == folded;
        if (!depends) continue;
        seen.insert(name);
        CollectDependents(all, name, seen, order);
        order.push_back(name);
    }
}

bool Wanted(DWORD filter, DWORD state) {
    const bool active = state != SERVICE_STOPPED;
    return (filter & (active ? SERVICE_ACTIVE : SERVICE_INACTIVE)) != 0;
}

}  // namespace

extern "C" BOOL WINAPI EnumDependentServicesW(SC_HANDLE hService, DWORD dwServiceState,
                                              LPENUM_SERVICE_STATUSW lpServices, DWORD cbBufSize,
                                              LPDWORD pcbBytesNeeded, LPDWORD lpServicesReturned) {
    LogCall("EnumDependentServicesW", [&] {
        return "state=" + std::to_string(dwServiceState) + " size=" + std::to_string(cbBufSize);
    });
    if (FaultPoint("EnumDependentServicesW")) return FALSE;
    auto handle = Granted<ServiceObject>(hService, HandleKind::Service, SERVICE_ENUMERATE_DEPENDENTS);
    if (!handle) return FALSE;
    if (pcbBytesNeeded == nullptr || lpServicesReturned == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    *lpServicesReturned = 0;
    if (dwServiceState == 0 || (dwServiceState & ~static_cast<DWORD>(SERVICE_STATE_ALL)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Session session;
    if (session.store == nullptr) return FALSE;
    Services all;
    {
        Transaction transaction(*session.store);
        if (!transaction.ok()) return FALSE;
        all = LoadAll(*session.store);
    }
    std::set<std::wstring> seen{handle->folded};
    std::vector<std::wstring> order;
    CollectDependents(all, handle->folded, seen, order);

    struct Entry {
        const Service* service;
        SERVICE_STATUS status;
    };
    std::vector<Entry> listed;
    std::size_t characters = 0;
    for (const std::wstring& folded : order) {
        const Service& service = all.at(folded);
        const SERVICE_STATUS status = CurrentStatus(folded, service);
        if (!Wanted(dwServiceState, status.dwCurrentState)) continue;
        listed.push_back({&service, status});
        characters += service.name.size() + 1 + service.display.size() + 1;
    }
    // The array first, then each entry's name and display name.
    const std::size_t needed = listed.size() * sizeof(ENUM_SERVICE_STATUSW) + characters * sizeof(WCHAR);
    *pcbBytesNeeded = static_cast<DWORD>(needed);
    if (needed > cbBufSize) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    if (listed.empty()) return TRUE;
    if (lpServices == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    auto* text = reinterpret_cast<WCHAR*>(lpServices + listed.size());
    auto place = [&text](const std::wstring& value) {
        LPWSTR start = text;
        std::memcpy(text, value.c_str(), (value.size() + 1) * sizeof(WCHAR));
        text += value.size() + 1;
        return start;
    };
    for (std::size_t i = 0; i < listed.size(); ++i) {
        lpServices[i].lpServiceName = place(listed[i].service->name);
        lpServices[i].lpDisplayName = place(listed[i].service->display);
        lpServices[i].ServiceStatus = listed[i].status;
    }
    *lpServicesReturned = static_cast<DWORD>(listed.size());
    return TRUE;
}
