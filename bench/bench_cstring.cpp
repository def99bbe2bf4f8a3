// CString against the standard library: copying a typical path, and formatting the library's
// most frequent log line with CString::Format and with the C library's swprintf.
#include <common-win32/common-win32.h>

#include <benchmark/benchmark.h>

#include "bench_failure.h"

#include <cwchar>
#include <string>

namespace {

const wchar_t kPath[] = L"C:\\Program Files\\Example Installer\\config\\setup-defaults.ini";

// A copy shares the text: the cost is one reference count, whatever the length.
void BM_CStringCopy(benchmark::State& state) {
    const CString source(kPath);
    for (auto _ : state) {
        CString copy(source);
        benchmark::DoNotOptimize(copy.GetString());
    }
}
BENCHMARK(BM_CStringCopy);

void BM_WStringCopy(benchmark::State& state) {
    const std::wstring source(kPath);
    for (auto _ : state) {
        std::wstring copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_WStringCopy);

// A long text (a file's line, a multi-string): the copy still costs one reference count.
void BM_CStringCopyLong(benchmark::State& state) {
    const CString source(CString(L'x', 4096));
    for (auto _ : state) {
        CString copy(source);
        benchmark::DoNotOptimize(copy.GetString());
    }
}
BENCHMARK(BM_CStringCopyLong);

void BM_WStringCopyLong(benchmark::State& state) {
    const std::wstring source(4096, L'x');
    for (auto _ : state) {
        std::wstring copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_WStringCopyLong);

// The report line of the variable replacement, formatted into a string that is reused.
void BM_CStringFormat(benchmark::State& state) {
    const CString name(L"INSTALLDIR");
    const CString value(L"C:\\Program Files\\Example");
    const CString file(kPath);
    CString line;
    for (auto _ : state) {
        line.Format(L"%s: Replaced %i instances of '%s' with '%s' in '%s'", L"ReplaceFileVariables", 3, name, value,
                    file);
        benchmark::DoNotOptimize(line.GetString());
    }
}
BENCHMARK(BM_CStringFormat);

// The same line with glibc's swprintf (which spells a wide string %ls) into a stack buffer.
void BM_Swprintf(benchmark::State& state) {
    const std::wstring name(L"INSTALLDIR");
    const std::wstring value(L"C:\\Program Files\\Example");
    const std::wstring file(kPath);
    wchar_t line[512];
    for (auto _ : state) {
        std::swprintf(line, sizeof line / sizeof line[0], L"%ls: Replaced %i instances of '%ls' with '%ls' in '%ls'",
                      L"ReplaceFileVariables", 3, name.c_str(), value.c_str(), file.c_str());
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_Swprintf);

}  // namespace
