// A benchmark that cannot measure honestly (its peer did not run, or ran wrong, or our side
// gave a wrong result) stops with Fail; the program then exits 1 after the run
// (bench_main.cpp), so no script prints a ratio against a peer that failed.
#pragma once

#include <benchmark/benchmark.h>

namespace cw32bench {

void Fail(benchmark::State& state, const char* why);

}  // namespace cw32bench
