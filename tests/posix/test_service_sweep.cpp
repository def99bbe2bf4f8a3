// Fault-injection sweep over every exported service operation: the nth control-manager call
// fails, for n = 1, 2, ... until the operation runs untouched. Each time: no crash, the
// documented result and line, no handle left open, and the service database lock not held.
#include "fault_sweep.h"
#include "scripted_service_fixture.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace wt = winport::testing;

namespace {

constexpr DWORD kInjected = ERROR_NOT_ENOUGH_MEMORY;  // 8
constexpr const wchar_t* kService = L"cw32-sweep";
constexpr const wchar_t* kDependent = L"cw32-sweep-dep";  // depends on kService
constexpr const wchar_t* kOther = L"cw32-sweep-other";
constexpr const wchar_t* kCreated = L"cw32-sweep-new";

const wt::ScriptedStatus kRunning{SERVICE_RUNNING, 0, 0, 0}, kStopped{SERVICE_STOPPED, 0, 0, 0},
    kStarting{SERVICE_START_PENDING, 1, 0, 0};

struct Operation {
    const char* name;
    std::function<void()> script;  // the scripted answers the run starts from
    std::function<long(boost::shared_ptr<ILogger>)> run;
    long ok, failed;  // the untouched result, and the result of a fault that is not tolerated
    // For the `k`th call of `where` failing: "" when the result stays `ok`; else a line the log
    // must hold ("-" when the operation documents none, "?" when it is not checked).
    std::function<std::wstring(const std::string& where, std::size_t k)> line;
    // The untouched run's opens, with the access each asks for (empty: checked elsewhere).
    std::vector<std::string> asks = {};
};

// Every operation survives a failing close or unlock: the result does not change.
bool Harmless(const std::string& where) { return where == "CloseServiceHandle" || where == "UnlockServiceDatabase"; }

std::vector<Operation> Operations() {
    auto scripted = [](const wchar_t* name, std::vector<wt::ScriptedStatus> answers) {
        return [=] { wt::ScriptService(name, answers); };
    };
    return {
        {"ControlNTServiceStart", scripted(kService, {kStopped, kStarting, kRunning}),
         [](auto log) { return ControlNTService(kService, true, log); }, 1, 0,
         [](const std::string& where, std::size_t k) -> std::wstring {
             if (where == "OpenSCManagerW") return L"ntservice Error: failed to open SCManager";
             if (where == "OpenServiceW") return L"ntservice Error: Failed to open service 'cw32-sweep'";
             if (where == "StartServiceW") return L"ntservice Error: StartService function failed";
             if (where == "QueryServiceStatus" && k == 1) return L"";  // the request goes out all the same
             return L"ChangeService: Service: cw32-sweep: QueryServiceStatus failed 8";
         }},
        {"ControlNTServiceStop", scripted(kService, {kRunning, kStopped}),
         [](auto log) { return ControlNTService(kService, false, log); }, 1, 0,
         [](const std::string& where, std::size_t k) -> std::wstring {
             if (where == "ControlService")
                 return L"ntservice Error: ControlService with SERVICE_CONTROL_STOP parameter failed.  "
                        L"ControlService error code: 8";
             if (where == "QueryServiceStatus" && k == 1) return L"";
             return where == "QueryServiceStatus" ? L"ControlService function exiting (0)" : L"?";
         }},
        {"StopNTServiceTree",
         [] {
             wt::ScriptService(kService, {kRunning, kStopped});
             wt::ScriptService(kDependent, {kRunning, kStopped});
         },
         [](auto log) { return StopNTServiceTree(kService, 10000, log); }, 1, 0,
         [](const std::string& where, std::size_t k) -> std::wstring {
             // Each stop makes one request query and one poll: a failing request query is passed over.
             if (where == "QueryServiceStatus") return k % 2 == 1 ? L"" : L"ControlService function exiting (0)";
             if (k == 1 && (where == "OpenSCManagerW" || where == "OpenServiceW" || where == "EnumDependentServicesW"))
                 return L"ntservice Error: StopNTServiceTree: Service: cw32-sweep: its running dependents cannot be "
                        L"listed, error 8";
             return L"?";
         },
         {"OpenSCManagerW(access=1)", "OpenServiceW(cw32-sweep access=8)", "OpenSCManagerW(access=1)",
          "OpenServiceW(cw32-sweep-dep access=36)", "OpenSCManagerW(access=1)", "OpenServiceW(cw32-sweep access=36)"}},
        {"CreateNTService", nullptr,
         [](auto log) { return long{CreateNTService(log, kCreated, L"Sweep", L"/bin/true", nullptr, L"text")}; }, 1, 0,
         [](const std::string& where, std::size_t) -> std::wstring {
             if (where == "OpenSCManagerW") return L"AddNTService: could not get a handle with OpenSCManager";
             if (where == "CreateServiceW") return L"AddNTService: could not create the service.";
             return L"";  // the description is not checked
         },
         {"OpenSCManagerW(access=983103)", "CreateServiceW(cw32-sweep-new access=983551 type=16 start=2)"}},
        {"DeleteNTService", nullptr, [](auto log) { return long{DeleteNTService(log, kOther)}; }, 1, 0,
         [](const std::string& where, std::size_t) -> std::wstring {
             if (where == "OpenSCManagerW") return L"DeleteNTService: could not get a handle with OpenSCManager";
             if (where == "OpenServiceW") return L"DeleteNTService: could not get a handle with OpenService";
             return L"DeleteNTService: attempting to delete service.";
         },
         {"OpenSCManagerW(access=983103)", "OpenServiceW(cw32-sweep-other access=983551)"}},
        {"DisableNTService", scripted(kService, {kRunning, kStopped}),
         [](auto log) { return long{DisableNTService(log, kService)}; }, 1, 0,
         [](const std::string& where, std::size_t k) -> std::wstring {
             if (where == "OpenSCManagerW" || (where == "OpenServiceW" && k == 1))
                 return L"[DiableQRLNNTServices] fail to stop [8]";
             if (where == "OpenServiceW") return L"[DiableQRLNNTServices] fail to disable [8]";
             if (where == "ChangeServiceConfigW") return L"[DiableQRLNNTServices] fail to disable [0]";
             // A failed second poll leaves RUNNING from the first in the record: held twice, the
             // wait is over, and the service is disabled.
             if (where == "QueryServiceStatus" && k == 2) return L"";
             return L"[DiableQRLNNTServices] fail to stop [0]";
         }},
        {"CheckNTService", scripted(kService, {kRunning}), [](auto log) { return long{CheckNTService(log, kService)}; },
         1, 0,
         [](const std::string& where, std::size_t) -> std::wstring {
             if (where == "OpenSCManagerW") return L"CheckNTService: could not get a handle with OpenSCManager";
             if (where == "OpenServiceW") return L"-";
             return L"ChangeService: Service: cw32-sweep: QueryServiceStatus failed 8";
         },
         {"OpenSCManagerW(access=983103)", "OpenServiceW(cw32-sweep access=983551)"}},
        {"ServiceExists", nullptr, [](auto log) { return ServiceExists(log, kService); }, 0, kInjected,
         [](const std::string& where, std::size_t) -> std::wstring {
             return where == "OpenSCManagerW" ? L"[ServiceExists] OpenSCManager error 8" : L"[ServiceExists] OpenService error 8";
         },
         {"OpenSCManagerW(access=2147483648)", "OpenServiceW(cw32-sweep access=2147483648)"}},
        {"AddServiceDependency", nullptr, [](auto) { return long(AddServiceDependency(kOther, kService)); }, 0,
         kInjected, [](const std::string&, std::size_t) { return std::wstring(L"-"); }},
        {"changeServiceConfigBinaryPath", nullptr,
         [](auto) { return long{changeServiceConfigBinaryPath(kOther, L"/bin/false")}; }, 1, 0,
         [](const std::string&, std::size_t) { return std::wstring(L"-"); }},
        {"GetServiceBinaryPath", nullptr,
         [](auto) {
             unsigned int size = 0;
             return long(GetServiceBinaryPath(kOther, nullptr, &size));
         },
         0, kInjected, [](const std::string&, std::size_t) { return std::wstring(L"-"); }},
    };
}

class ServiceSweep : public cw32test::ScriptedServiceTest, public ::testing::WithParamInterface<std::size_t> {
protected:
    // The services every run starts from, whatever the run before changed.
    static void Reset() {
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        for (const wchar_t* name : {kCreated, kOther, kDependent, kService})
            if (SC_HANDLE service = OpenServiceW(manager, name, DELETE)) {
                DeleteService(service);
                CloseServiceHandle(service);
            }
        CloseServiceHandle(manager);
        Install(kService);
        Install(kDependent, L"cw32-sweep\0");
        Install(kOther);
    }
    static bool LockIsFree() {
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_LOCK lock = LockServiceDatabase(manager);
        if (lock != nullptr) UnlockServiceDatabase(lock);
        CloseServiceHandle(manager);
        return lock != nullptr;
    }
};

TEST_P(ServiceSweep, EveryFailingCallGivesTheDocumentedResult) {
    const Operation op = Operations()[GetParam()];
    boost::shared_ptr<cw32test::RecordingHost> host;
    long result = -1;
    std::vector<std::string> calls;
    cw32test::SweepFaults(
        kInjected,
        [&] {
            host = cw32test::MakeHost();
            wt::StartCallLog();
            result = op.run(host);
            wt::StopCallLog();
            calls = wt::CallLog();
        },
        [&](unsigned n, const std::string& where) {
            EXPECT_TRUE(LockIsFree()) << "the database lock was left held";
            if (where.empty()) {
                if (!op.asks.empty()) {
                    std::vector<std::string> asks;
                    for (const std::string& c : calls)
                        if (c.find("access=") != std::string::npos) asks.push_back(c);
                    EXPECT_EQ(asks, op.asks);
                }
                EXPECT_EQ(result, op.ok) << op.name << " failed without a fault";
                EXPECT_GT(n, 1u);
                return;
            }
            // Each logged call is a fault point, so the nth entry is the one that failed.
            const std::size_t k = std::count_if(calls.begin(), calls.begin() + std::min<std::size_t>(n, calls.size()),
                                                [&](const std::string& c) { return c.rfind(where + "(", 0) == 0; });
            const std::wstring line = Harmless(where) ? L"" : op.line(where, k);
            SCOPED_TRACE(where + " call " + std::to_string(k));
            EXPECT_EQ(result, line.empty() ? op.ok : op.failed);
            const std::vector<std::wstring> lines = host->Unstamped();
            if (line == L"-") {
                EXPECT_TRUE(lines.empty());
            } else if (!line.empty() && line != L"?") {
                EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end())
                    << std::string(line.begin(), line.end());
            }
        },
        [&] {
            wt::ClearScriptedServices();
            Reset();
            if (op.script) op.script();
        });
}

std::string OperationName(const ::testing::TestParamInfo<std::size_t>& info) { return Operations()[info.param].name; }

INSTANTIATE_TEST_SUITE_P(Services, ServiceSweep, ::testing::Range<std::size_t>(0, Operations().size()),
                         OperationName);

}  // namespace
