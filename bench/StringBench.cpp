// Building a 2 MB text piece by piece: by appends, and by formatting each
// piece, with CBasicString against std::wstring and swprintf doing the same
// work; both grow their text from empty on every run, with the heap keeping
// freed blocks (BenchMemory.h). Prints the ratios of the median times.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "RatioReporter.h"
#include "SameOutput.h"
#include "bench/BenchMemory.h"
#include "utility/BasicString.h"

namespace {

constexpr int kTargetLength = 2 * 1024 * 1024;  // characters
const wchar_t* const kPieces[] = {L"vocabulary ", L"list ", L"a", L"translation; "};

// The text each side builds; the timed runs build and free it.
CBasicString AppendedBasicString() {
    CBasicString text;
    for (int i = 0; text.GetLength() < kTargetLength; ++i) {
        text.Append(kPieces[i % 4]);
        text.AppendChar(L'|');
    }
    return text;
}

std::wstring AppendedStdWString() {
    std::wstring text;
    for (int i = 0; (int)text.size() < kTargetLength; ++i) {
        text += kPieces[i % 4];
        text += L'|';
    }
    return text;
}

CBasicString FormattedBasicString() {
    CBasicString text, piece;
    for (int i = 0; text.GetLength() < kTargetLength; ++i) {
        piece.Format(L"%d:%s %5.2f;", i, kPieces[i % 4], i * 0.5);
        text.AppendString(piece);
    }
    return text;
}

std::wstring FormattedSwprintf() {
    std::wstring text;
    wchar_t piece[128];
    for (int i = 0; (int)text.size() < kTargetLength; ++i) {
        int n = swprintf(piece, 128, L"%d:%ls %5.2f;", i, kPieces[i % 4], i * 0.5);
        text.append(piece, (size_t)n);
    }
    return text;
}

void AppendBasicString(benchmark::State& state) {
    for (auto _ : state) {
        CBasicString text = AppendedBasicString();
        benchmark::DoNotOptimize(text.GetString());
    }
}

void AppendStdWString(benchmark::State& state) {
    for (auto _ : state) {
        std::wstring text = AppendedStdWString();
        benchmark::DoNotOptimize(text.data());
    }
}

void FormatBasicString(benchmark::State& state) {
    for (auto _ : state) {
        CBasicString text = FormattedBasicString();
        benchmark::DoNotOptimize(text.GetString());
    }
}

void FormatSwprintf(benchmark::State& state) {
    for (auto _ : state) {
        std::wstring text = FormattedSwprintf();
        benchmark::DoNotOptimize(text.data());
    }
}

// Before timing: both sides must make the same text.
void CheckSameOutputs() {
    const auto hashOf = [](const CBasicString& text) {
        COutputHash hash;
        hash.AddText(std::wstring(text.GetString(), (size_t)text.GetLength()));
        return hash.Value();
    };
    const auto hashOfStd = [](const std::wstring& text) {
        COutputHash hash;
        hash.AddText(text);
        return hash.Value();
    };
    RequireSameOutput("appends", hashOf(AppendedBasicString()), hashOfStd(AppendedStdWString()));
    RequireSameOutput("format", hashOf(FormattedBasicString()), hashOfStd(FormattedSwprintf()));
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
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("appends", "AppendBasicString", "AppendStdWString");
    reporter.PrintRatio("format", "FormatBasicString", "FormatSwprintf");
    benchmark::Shutdown();
    return 0;
}
