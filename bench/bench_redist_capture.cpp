// Output capture of RunRedistProgram: a child writing 50 MB as fast as it can, read in the
// runner's 1024-byte chunks, against the same child piped into `wc -c`. Two more runs split the
// cost: the same pipe read in 1024-byte reads with nothing else done, and the runner with
// `output` collected as well. BM_ExitToReturn measures how long after the child's exit the
// call returns.
#include <common-win32/common-win32.h>

#include <benchmark/benchmark.h>

#include "bench_failure.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr long long kBytes = 50ll * 1024 * 1024;

class DiscardingHost : public ILogger {
public:
    void Write(int, const std::wstring& text) override {
        ++writes;
        chars += static_cast<long long>(text.size());
        last = static_cast<long long>(text.size());
    }
    long long writes = 0;
    long long chars = 0;
    long long last = 0;  // the closing line, once the run is over
};

std::string ProgramDirectory() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string exe(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/'));
}

std::wstring FloodLine() { return L"cw32-demo-redist --flood " + std::to_wstring(kBytes) + L" --exit 0"; }

void RunFlood(benchmark::State& state, bool collect) {
    for (auto _ : state) {
        boost::shared_ptr<DiscardingHost> host(new DiscardingHost);
        std::wstring line = FloodLine();
        unsigned long code = 1;
        CString output;
        RunRedistProgram(host, line.data(), 0, true, nullptr, &code, nullptr, false, collect ? &output : nullptr,
                         CString(), CString(), false);
        if (code != 0) cw32bench::Fail(state, "the child failed");
        // What the child wrote after the runner's last read is, by design, not collected.
        state.counters["writes"] = static_cast<double>(host->writes);
        state.counters["lost_bytes"] = static_cast<double>(kBytes - (host->chars - host->last));
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_RunRedistProgram(benchmark::State& state) { RunFlood(state, false); }
BENCHMARK(BM_RunRedistProgram)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_RunRedistProgramWithOutput(benchmark::State& state) { RunFlood(state, true); }
BENCHMARK(BM_RunRedistProgramWithOutput)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The pipe alone: the same child, 1024-byte ReadFile calls, no peeking, no text, no sleeps.
void BM_PipeReads1024(benchmark::State& state) {
    for (auto _ : state) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE read_end = nullptr, write_end = nullptr;
        if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return cw32bench::Fail(state, "CreatePipe failed");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write_end;
        startup.hStdError = write_end;
        PROCESS_INFORMATION info{};
        std::wstring line = FloodLine();
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
            for (HANDLE h : {read_end, write_end}) CloseHandle(h);
            return cw32bench::Fail(state, "the child did not start");
        }
        CloseHandle(write_end);
        char buffer[1024];
        DWORD n = 0;
        long long total = 0;
        while (ReadFile(read_end, buffer, sizeof buffer, &n, nullptr) && n > 0) total += n;
        WaitForSingleObject(info.hProcess, INFINITE);
        for (HANDLE h : {read_end, info.hProcess, info.hThread}) CloseHandle(h);
        if (total != kBytes) cw32bench::Fail(state, "short read");
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_PipeReads1024)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The peer: the same child through a shell pipe into wc -c, which must count every byte and
// see the child succeed.
void BM_PipeIntoWc(benchmark::State& state) {
    const std::string command = "bash -o pipefail -c \"'" + ProgramDirectory() + "/cw32-demo-redist' --flood " +
                                std::to_string(kBytes) + " --exit 0 | wc -c\"";
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return cw32bench::Fail(state, "the wc pipeline did not start");
        long long counted = -1;
        const bool read = std::fscanf(pipe, "%lld", &counted) == 1;
        if (pclose(pipe) != 0 || !read || counted != kBytes) return cw32bench::Fail(state, "wc did not count every byte");
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_PipeIntoWc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// From the child's last moment (it writes the monotonic clock to a file just before exiting)
// to the return of RunRedistProgram. The child's start is spread over the 100 ms pass so the
// mean covers every phase of the poll.
void BM_ExitToReturn(benchmark::State& state) {
    const std::string stamp = "/tmp/cw32-bench-exit-stamp-" + std::to_string(getpid());
    double total_ms = 0, worst_ms = 0;
    int runs = 0;
    for (auto _ : state) {
        boost::shared_ptr<DiscardingHost> host(new DiscardingHost);
        std::wstring line = L"cw32-demo-redist --sleep " + std::to_wstring(30 + (runs * 37) % 100) +
                            L" --exit-stamp " + std::wstring(stamp.begin(), stamp.end()) + L" --exit 0";
        unsigned long code = 1;
        std::remove(stamp.c_str());
        RunRedistProgram(host, line.data(), 0, true, nullptr, &code, nullptr, false, nullptr, CString(), CString(), false);
        const auto returned = std::chrono::steady_clock::now().time_since_epoch();
        long long exited_ns = 0;
        std::ifstream(stamp) >> exited_ns;
        if (code != 0) return cw32bench::Fail(state, "the child did not exit with 0");
        if (exited_ns <= 0) return cw32bench::Fail(state, "the child left no exit stamp");
        const double ms = (std::chrono::duration_cast<std::chrono::nanoseconds>(returned).count() - exited_ns) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        total_ms += ms;
        worst_ms = std::max(worst_ms, ms);
        ++runs;
    }
    std::remove(stamp.c_str());
    state.counters["mean_ms"] = total_ms / runs;
    state.counters["worst_ms"] = worst_ms;
}
BENCHMARK(BM_ExitToReturn)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace
