// Building a 2 MB text piece by piece: by appends, and by formatting each
// piece, with CBasicString against std::wstring and swprintf doing the same
// work; both grow their text from empty on every run, with the heap keeping
// freed blocks (BenchMemory.h). Prints the ratios of the median times.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "RatioReporter.h"
#include "bench/BenchMemory.h"
#include "utility/BasicString.h"

namespace {

constexpr int kTargetLength = 2 * 1024 * 1024;  // characters
const wchar_t* const kPieces[] = {L"vocabulary ", L"list ", L"a", L"translation; "};

void AppendBasicString(benchmark::State& state) {
    for (auto _ : state) {
        CBasicString text;
        for (int i = 0; text.GetLength() < kTargetLength; ++i) {
            text.Append(kPieces[i % 4]);
            text.AppendChar(L'|');
        }
        benchmark::DoNotOptimize(text.GetString());
    }
}

void AppendStdWString(benchmark::State& state) {
    for (auto _ : state) {
        std::wstring text;
        for (int i = 0; (int)text.size() < kTargetLength; ++i) {
            text += kPieces[i % 4];
            text += L'|';
        }
        benchmark::DoNotOptimize(text.data());
    }
}

void FormatBasicString(benchmark::State& state) {
    for (auto _ : state) {
        CBasicString text, piece;
        for (int i = 0; text.GetLength() < kTargetLength; ++i) {
            piece.Format(L"%d:%s %5.2f;", i, kPieces[i % 4], i * 0.5);
            text.AppendString(piece);
        }
        benchmark::DoNotOptimize(text.GetString());
    }
}

void FormatSwprintf(benchmark::State& state) {
    for (auto _ : state) {
        std::wstring text;
        wchar_t piece[128];
        for (int i = 0; (int)text.size() < kTargetLength; ++i) {
            int n = swprintf(piece, 128, L"%d:%ls %5.2f;", i, kPieces[i % 4], i * 0.5);
            text.append(piece, (size_t)n);
        }
        benchmark::DoNotOptimize(text.data());
    }
}

BENCHMARK(AppendBasicString)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendStdWString)->Unit(benchmark::kMillisecond);
BENCHMARK(FormatBasicString)->Unit(benchmark::kMillisecond);
BENCHMARK(FormatSwprintf)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    KVXKeepFreedMemory();
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("appends", "AppendBasicString", "AppendStdWString");
    reporter.PrintRatio("format", "FormatBasicString", "FormatSwprintf");
    benchmark::Shutdown();
    return 0;
}
