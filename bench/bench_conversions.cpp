// WideToAnsi / AnsiToWide throughput against glibc's iconv on the same text.
#include <common-win32/common-win32.h>

#include <benchmark/benchmark.h>

#include "bench_failure.h"

#include <iconv.h>

#include <string>

namespace {

// About 1 MiB of UTF-8: ASCII log text with accented letters, CJK and an emoji mixed in.
const std::wstring& SampleWide() {
    static const std::wstring text = [] {
        std::wstring chunk = L"Installing component caf\u00e9 r\u00e9sum\u00e9 to C:\\Program Files\\\u65e5\u672c "
                             L"\u20ac 42 ";
        chunk += static_cast<wchar_t>(0x1F600);
        chunk += L"\n";
        std::wstring all;
        while (all.size() < 400000) all += chunk;
        return all;
    }();
    return text;
}

const std::string& SampleUtf8() {
    static const std::string bytes = [] {
        CStringA a = WideToAnsi(SampleWide().c_str(), 1);
        return std::string(a.GetString(), a.GetLength());
    }();
    return bytes;
}

void BM_WideToAnsi(benchmark::State& state) {
    const std::wstring& text = SampleWide();
    for (auto _ : state) benchmark::DoNotOptimize(WideToAnsi(text.c_str(), 1));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(SampleUtf8().size()));
}
BENCHMARK(BM_WideToAnsi);

void BM_IconvWideToUtf8(benchmark::State& state) {
    const std::wstring& text = SampleWide();
    iconv_t cd = iconv_open("UTF-8", "WCHAR_T");
    if (cd == reinterpret_cast<iconv_t>(-1)) return cw32bench::Fail(state, "iconv_open WCHAR_T to UTF-8 failed");
    std::string out(text.size() * 4, '\0');
    for (auto _ : state) {
        char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data()));
        size_t in_left = text.size() * sizeof(wchar_t);
        char* o = out.data();
        size_t out_left = out.size();
        if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1) || in_left != 0 ||
            static_cast<size_t>(o - out.data()) != SampleUtf8().size()) {
            cw32bench::Fail(state, "iconv did not convert the whole sample");
            break;
        }
        benchmark::DoNotOptimize(o);
    }
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(SampleUtf8().size()));
}
BENCHMARK(BM_IconvWideToUtf8);

void BM_AnsiToWide(benchmark::State& state) {
    const std::string& bytes = SampleUtf8();
    for (auto _ : state) benchmark::DoNotOptimize(AnsiToWide(bytes.c_str(), 1));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_AnsiToWide);

void BM_IconvUtf8ToWide(benchmark::State& state) {
    const std::string& bytes = SampleUtf8();
    iconv_t cd = iconv_open("WCHAR_T", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return cw32bench::Fail(state, "iconv_open UTF-8 to WCHAR_T failed");
    std::wstring out(bytes.size() + 1, L'\0');
    for (auto _ : state) {
        char* in = const_cast<char*>(bytes.data());
        size_t in_left = bytes.size();
        char* o = reinterpret_cast<char*>(out.data());
        size_t out_left = out.size() * sizeof(wchar_t);
        if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1) || in_left != 0 ||
            static_cast<size_t>(o - reinterpret_cast<char*>(out.data())) != SampleWide().size() * sizeof(wchar_t)) {
            cw32bench::Fail(state, "iconv did not convert the whole sample");
            break;
        }
        benchmark::DoNotOptimize(o);
    }
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_IconvUtf8ToWide);

}  // namespace
