// Google Benchmark's usual entry point, and exit status 1 when any benchmark failed.
#include "bench_failure.h"

#include <atomic>
#include <cstdio>

namespace cw32bench {
namespace {
std::atomic<int> g_failures{0};
}  // namespace

void Fail(benchmark::State& state, const char* why) {
    ++g_failures;
    state.SkipWithError(why);
}

}  // namespace cw32bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const int failures = cw32bench::g_failures.load();
    if (failures > 0) {
        std::fprintf(stderr, "cw32-bench: %d benchmark run(s) failed; no ratio holds\n", failures);
        return 1;
    }
    return 0;
}
