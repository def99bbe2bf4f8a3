// ReplaceFileVariables against GNU sed, and FindStringInFile against grep -F -o | wc -l, on one
// generated 64 MB text file (a million lines, eight variables, one on every tenth line).
// The peers run as child processes in the same run; all times are wall-clock.
#include <common-win32/common-win32.h>

#include <benchmark/benchmark.h>

#include "bench_failure.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr int kLines = 1000000;
constexpr int kVariables = 8;
const char kSearchText[] = "@@VAR_3@@";

class DiscardingHost final : public IActionContext {
public:
    void Write(int, const std::wstring&) override {}
    boost::shared_ptr<std::wstring> GetArgumentValue(const std::wstring&) override {
        return boost::shared_ptr<std::wstring>(new std::wstring);
    }
};

std::string Name(int i) { return "@@VAR_" + std::to_string(i) + "@@"; }
std::string Value(int i) { return "value-number-" + std::to_string(i); }

// The work folder with the pristine input, made once and removed at exit.
struct Workload {
    std::filesystem::path folder;
    std::filesystem::path pristine;
    std::uintmax_t bytes = 0;

    Workload() {
        char pattern[] = "/tmp/cw32-bench-XXXXXX";
        folder = mkdtemp(pattern);
        pristine = folder / "pristine.txt";
        std::ofstream out(pristine, std::ios::binary);
        std::string line;
        for (int i = 0; i < kLines; ++i) {
            line = i % 10 == 0 ? "key=" + Name((i / 10) % kVariables) + "; " : std::string();
            line += "line " + std::to_string(i) + " lorem ipsum dolor sit amet, consectetur adipiscing elit";
            line.resize(63, '.');
            out << line << '\n';
        }
        out.close();
        bytes = std::filesystem::file_size(pristine);
    }
    ~Workload() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const Workload& Work() {
    static const Workload work;
    return work;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SedCommand(const std::filesystem::path& in, const std::filesystem::path& out) {
    std::string command = "LC_ALL=C sed";
    for (int i = 0; i < kVariables; ++i) command += " -e 's/" + Name(i) + "/" + Value(i) + "/g'";
    return command + " -e 's/$/\\r/' '" + in.string() + "' > '" + out.string() + "'";
}

void BM_ReplaceFileVariables(benchmark::State& state) {
    const Workload& work = Work();
    const std::filesystem::path target = work.folder / "target.txt";
    std::wstring variables;
    for (int i = 0; i < kVariables; ++i) {
        const std::string item = Name(i) + "=\"" + Value(i) + "\",";
        variables += std::wstring(item.begin(), item.end());
    }
    const CString flags = L"0,0,0,0,0,0,0,0";
    const std::wstring wide_target = target.wstring();
    boost::shared_ptr<DiscardingHost> host(new DiscardingHost);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(work.pristine, target, std::filesystem::copy_options::overwrite_existing);
        state.ResumeTiming();
        ReplaceFileVariables(host, CString(wide_target.c_str()), CString(variables.c_str()), flags, false, false);
    }
    // The two rewrites must agree byte for byte, or the comparison means nothing.
    const std::filesystem::path sed_out = work.folder / "sed.txt";
    if (std::system(SedCommand(work.pristine, sed_out).c_str()) != 0 || ReadAll(sed_out) != ReadAll(target))
        cw32bench::Fail(state, "sed and ReplaceFileVariables disagree");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(work.bytes));
}
BENCHMARK(BM_ReplaceFileVariables)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SedReplace(benchmark::State& state) {
    const Workload& work = Work();
    const std::string command = SedCommand(work.pristine, work.folder / "sed.txt");
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) cw32bench::Fail(state, "sed failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(work.bytes));
}
BENCHMARK(BM_SedReplace)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_FindStringInFile(benchmark::State& state) {
    const Workload& work = Work();
    const std::wstring path = work.pristine.wstring();
    boost::shared_ptr<DiscardingHost> host(new DiscardingHost);
    int found = 0;
    for (auto _ : state) {
        CString text = kSearchText;
        found = FindStringInFile(host, CString(path.c_str()), text, 0);
    }
    if (found != kLines / 10 / kVariables) cw32bench::Fail(state, "FindStringInFile miscounted");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(work.bytes));
}
BENCHMARK(BM_FindStringInFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_GrepCount(benchmark::State& state) {
    const Workload& work = Work();
    const std::string command = std::string("LC_ALL=C grep -F -o '") + kSearchText + "' '" + work.pristine.string() +
                                "' | wc -l > '" + (work.folder / "grep.txt").string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) cw32bench::Fail(state, "grep failed");
    }
    if (std::atoi(ReadAll(work.folder / "grep.txt").c_str()) != kLines / 10 / kVariables)
        cw32bench::Fail(state, "grep miscounted");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(work.bytes));
}
BENCHMARK(BM_GrepCount)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
