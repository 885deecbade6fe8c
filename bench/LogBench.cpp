// The text log writing 100,000 entries (WriteMessage: time, message, UTF-16,
// a flush per entry) against writing the same bytes with one fwrite and one
// fflush per line. Prints the time ratio at the end (goal: at most 1.5).

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Pendrel/Core/BasicLog.h"
#include "RatioReporter.h"
#include "SameOutput.h"
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

void WriteDefinitions() {
    FILE* definitions = fopen((Folder() + "/LogDef.ini").c_str(), "wb");
    fputs("[BENCH]\n1:I=Bench\n", definitions);
    fclose(definitions);
}

// One entry's bytes as the log writes them at the current second.
std::vector<uint8_t> LineBytes() {
    std::wstring line = GetCurrentLocalTime().FormatTime().GetString() + std::wstring(L"\t") + kMessage + L"\r\n";
    return WideToUtf16LE(line.c_str(), line.size());
}

void WriteMessages(benchmark::State& state) {
    WriteDefinitions();
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
    const std::vector<uint8_t> bytes = LineBytes();
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

std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        char block[1 << 16];
        for (size_t got; (got = fread(block, 1, sizeof(block), file)) > 0;) bytes.append(block, got);
        fclose(file);
    }
    return bytes;
}

// Before timing: both sides must write the same bytes, a byte order mark and
// then the entries. The entries hold the time to the second, so a check
// that a second boundary fell into is made again.
void CheckSameOutputs() {
    constexpr int kCheckLines = 100;
    WriteDefinitions();
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::vector<uint8_t> line = LineBytes();
        std::string ours;
        {
            CBasicLog log;
            log.Init(Path("LogDef.ini").c_str(), Path("check.txt").c_str(), 1, nullptr);
            for (int i = 0; i < kCheckLines; ++i) log.WriteMessage(kMessage, LOG_ICON_INFORMATION);
            ours = ReadFile(Folder() + "/check.txt");
        }
        remove((Folder() + "/check.txt").c_str());
        if (LineBytes() != line) continue;
        std::string reference = "\xFF\xFE";
        for (int i = 0; i < kCheckLines; ++i) reference.append(line.begin(), line.end());
        COutputHash oursHash, referenceHash;
        oursHash.Add(ours.data(), ours.size());
        referenceHash.Add(reference.data(), reference.size());
        RequireSameOutput("the bytes of 100 log lines", oursHash.Value(), referenceHash.Value());
        return;
    }
    std::fprintf(stderr, "different output: the clock's second changed during every check of the log lines\n");
    std::exit(1);
}

BENCHMARK(WriteMessages)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteLinesWithStdio)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("100,000 log lines", "WriteMessages", "WriteLinesWithStdio");
    benchmark::Shutdown();
    remove((Folder() + "/LogDef.ini").c_str());
    rmdir(Folder().c_str());
    return 0;
}
