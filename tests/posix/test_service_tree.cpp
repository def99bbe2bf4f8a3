// Stopping a service with its running dependents: winport's EnumDependentServicesW (its order,
// its filter, its buffer protocol) and StopNTServiceTree over it, with scripted services.
#include "scripted_service_fixture.h"

#include <map>
#include <string>
#include <vector>

namespace wt = winport::testing;

namespace {

// b and d depend on a, c on b, e on a and c; d is stopped, the others run.
const std::vector<std::pair<const wchar_t*, const wchar_t*>> kTree = {
    {L"cw32-a", nullptr}, {L"cw32-b", L"cw32-a\0"}, {L"cw32-c", L"cw32-b\0"}, {L"cw32-d", L"cw32-a\0"},
    {L"cw32-e", L"CW32-A\0cw32-c\0"}};
const wt::ScriptedStatus kRunning{SERVICE_RUNNING, 0, 0, 0}, kStopped{SERVICE_STOPPED, 0, 0, 0};

class ServiceTree : public cw32test::ScriptedServiceTest {
protected:
    void SetUp() override {
        ScriptedServiceTest::SetUp();
        for (const auto& [name, dependencies] : kTree) Install(name, dependencies);
    }
    // Every running service answers RUNNING once, then STOPPED (after its stop control).
    static void Script(const std::map<std::wstring, DWORD>& control_errors = {}) {
        wt::ClearScriptedServices();
        for (const wchar_t* name : {L"cw32-a", L"cw32-b", L"cw32-c", L"cw32-e"}) {
            auto refused = control_errors.find(name);
            wt::ScriptService(name, {kRunning, kStopped}, 0, refused == control_errors.end() ? 0 : refused->second);
        }
    }
};

// The names listed, through the size protocol: no buffer, one byte short, then enough.
std::vector<std::wstring> Dependents(SC_HANDLE service, DWORD filter) {
    DWORD needed = 0, count = 7;
    if (EnumDependentServicesW(service, filter, nullptr, 0, &needed, &count)) return {};
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(count, 0u);
    std::vector<BYTE> buffer(needed);
    auto* entries = reinterpret_cast<LPENUM_SERVICE_STATUSW>(buffer.data());
    EXPECT_FALSE(EnumDependentServicesW(service, filter, entries, needed - 1, &needed, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_TRUE(EnumDependentServicesW(service, filter, entries, needed, &needed, &count));
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) {
        names.emplace_back(entries[i].lpServiceName);
        EXPECT_STREQ(entries[i].lpDisplayName, entries[i].lpServiceName);
        EXPECT_EQ(entries[i].ServiceStatus.dwCurrentState == SERVICE_STOPPED, names.back() == L"cw32-d");
    }
    return names;
}

TEST_F(ServiceTree, DependentsAreListedEachBeforeWhatItDependsOn) {
    Script();
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE a = OpenServiceW(manager, L"cw32-a", SERVICE_ENUMERATE_DEPENDENTS);
    using Names = std::vector<std::wstring>;
    EXPECT_EQ(Dependents(a, SERVICE_ACTIVE), (Names{L"cw32-e", L"cw32-c", L"cw32-b"}));
    EXPECT_EQ(Dependents(a, SERVICE_INACTIVE), (Names{L"cw32-d"}));
    EXPECT_EQ(Dependents(a, SERVICE_STATE_ALL), (Names{L"cw32-e", L"cw32-c", L"cw32-b", L"cw32-d"}));
    SC_HANDLE e = OpenServiceW(manager, L"cw32-e", SERVICE_ENUMERATE_DEPENDENTS | SERVICE_QUERY_STATUS);
    DWORD needed = 1, count = 1;
    EXPECT_TRUE(EnumDependentServicesW(e, SERVICE_STATE_ALL, nullptr, 0, &needed, &count));
    EXPECT_EQ(needed + count, 0u);
    SC_HANDLE status_only = OpenServiceW(manager, L"cw32-a", SERVICE_QUERY_STATUS);
    struct Refusal {
        SC_HANDLE handle;
        DWORD filter, error;
    };
    for (const Refusal& r : {Refusal{status_only, SERVICE_ACTIVE, ERROR_ACCESS_DENIED},
                             Refusal{a, 0, ERROR_INVALID_PARAMETER}, Refusal{a, 4, ERROR_INVALID_PARAMETER},
                             Refusal{manager, SERVICE_ACTIVE, ERROR_INVALID_HANDLE}}) {
        EXPECT_FALSE(EnumDependentServicesW(r.handle, r.filter, nullptr, 0, &needed, &count));
        EXPECT_EQ(GetLastError(), r.error);
    }
    for (SC_HANDLE h : {status_only, e, a, manager}) CloseServiceHandle(h);
}

TEST_F(ServiceTree, DependentsStopFirstAndTheFirstFailureEndsTheWalk) {
    struct Case {
        const char* what;
        const wchar_t* service;
        std::map<std::wstring, DWORD> control_errors;
        int result;
        std::vector<std::wstring> attempts;  // the services asked to stop, in order
        std::wstring last_line;
    };
    const std::vector<Case> cases = {
        {"the whole tree", L"cw32-a", {}, 1, {L"cw32-e", L"cw32-c", L"cw32-b", L"cw32-a"},
         L"ControlService function exiting (1)"},
        {"a subtree", L"cw32-b", {}, 1, {L"cw32-e", L"cw32-c", L"cw32-b"}, L"ControlService function exiting (1)"},
        {"a dependent refuses", L"cw32-a", {{L"cw32-c", ERROR_DEPENDENT_SERVICES_RUNNING}}, 0, {L"cw32-e", L"cw32-c"},
         L"ntservice Error: ControlService with SERVICE_CONTROL_STOP parameter failed.  ControlService error code: 1051"},
        {"a stopped service without dependents", L"cw32-d", {}, 1, {}, L"Service cw32-d already stopped, ignoring request..."},
        {"no such service", L"cw32-none", {}, 0, {},
         L"ntservice Error: StopNTServiceTree: Service: cw32-none: its running dependents cannot be listed, error 1060"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Script(c.control_errors);
        const std::size_t handles = wt::LiveHandles();
        auto host = cw32test::MakeHost();
        EXPECT_EQ(StopNTServiceTree(c.service, 60000, host), c.result);
        EXPECT_EQ(wt::LiveHandles(), handles);
        std::vector<std::wstring> attempts;
        const std::wstring prefix = L"Attempting to stop Service ";
        for (const std::wstring& line : host->Unstamped())
            if (line.rfind(prefix, 0) == 0) attempts.push_back(line.substr(prefix.size(), line.find(L',') - prefix.size()));
        EXPECT_EQ(attempts, c.attempts);
        ASSERT_FALSE(host->lines.empty());
        EXPECT_EQ(host->Unstamped().back(), c.last_line);
    }
}

}  // namespace
