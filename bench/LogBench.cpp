// The text log writing 100,000 entries (WriteMessage: time, message, UTF-16,
// a flush per entry) against writing the same bytes with one fwrite and one
// fflush per line. Prints the time ratio at the end (goal: at most 1.5).

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Pendrel/Core/BasicLog.h"
#include "RatioReporter.h"
#include "utility/Posix/SystemText.h"
#include "utility/TextCodec.h"

namespace {

constexpr int kLines = 100000;
const wchar_t kMessage[] = L"Opened the vocabulary list 12 of 100 with 250 words";

std::string Folder() {
    static const std::string folder = [] {
        const char* tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvx-logbench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        return std::string(mkdtemp(name.data()) ? name.data() : "/tmp");
    }();
    return folder;
}

std::wstring Path(const char* name) { return Utf8ToWide(Folder() + "/" + name); }

void WriteMessages(benchmark::State& state) {
    FILE* definitions = fopen((Folder() + "/LogDef.ini").c_str(), "wb");
    fputs("[BENCH]\n1:I=Bench\n", definitions);
    fclose(definitions);
    for (auto _ : state) {
        state.PauseTiming();
        auto log = std::make_unique<CBasicLog>();
        log->Init(Path("LogDef.ini").c_str(), Path("log.txt").c_str(), 1, nullptr);
        state.ResumeTiming();
        for (int i = 0; i < kLines; ++i) log->WriteMessage(kMessage, LOG_ICON_INFORMATION);
        state.PauseTiming();
        log.reset();  // closes and deletes the file
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void WriteLinesWithStdio(benchmark::State& state) {
    std::wstring line = GetCurrentLocalTime().FormatTime().GetString() + std::wstring(L"\t") + kMessage + L"\r\n";
    std::vector<uint8_t> bytes = WideToUtf16LE(line.c_str(), line.size());
    std::string path = Folder() + "/stdio.txt";
    for (auto _ : state) {
        state.PauseTiming();
        FILE* file = fopen(path.c_str(), "w+b");
        fwrite("\xFF\xFE", 1, 2, file);
        fflush(file);
        state.ResumeTiming();
        for (int i = 0; i < kLines; ++i) {
            fwrite(bytes.data(), 1, bytes.size(), file);
            fflush(file);
        }
        state.PauseTiming();
        fclose(file);
        remove(path.c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

BENCHMARK(WriteMessages)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteLinesWithStdio)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("100,000 log lines", "WriteMessages", "WriteLinesWithStdio");
    benchmark::Shutdown();
    remove((Folder() + "/LogDef.ini").c_str());
    rmdir(Folder().c_str());
    return 0;
}
