// Copying a 256 MB file with CopyFileByPath against copy_file_range and
// cp, and walking /usr with the file search against `find /usr`. Prints
// the time ratios at the end. Every side is timed by the wall clock: cp and
// find do their work in child processes, whose CPU time the benchmark
// thread's clock would not see. Before timing, each copy's result is
// compared with the source and both walks must count the same entries.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "RatioReporter.h"
#include "SameOutput.h"
#include "utility/FileUtility.h"
#include "utility/Posix/BasicFileFind.h"
#include "utility/TextCodec.h"

namespace {

constexpr size_t kCopySize = 256 * 1024 * 1024;

std::string TempFolderPath() {
    const char* tmp = getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// A 256 MB file of random bytes, made once and removed at exit.
const std::string& SourceFile() {
    static const std::string path = [] {
        std::string p = TempFolderPath() + "/kvx-bench-copy-source.bin";
        FILE* f = fopen(p.c_str(), "wb");
        std::vector<char> block(1 << 20);
        std::mt19937 random(7);
        for (size_t written = 0; f && written < kCopySize; written += block.size()) {
            for (char& b : block) b = (char)random();
            fwrite(block.data(), 1, block.size(), f);
        }
        if (f) fclose(f);
        atexit([] { unlink((TempFolderPath() + "/kvx-bench-copy-source.bin").c_str()); });
        return p;
    }();
    return path;
}

std::string TargetFile() { return TempFolderPath() + "/kvx-bench-copy-target.bin"; }

void CopyFileByPathBench(benchmark::State& state) {
    std::wstring source = Utf8ToWide(SourceFile()), target = Utf8ToWide(TargetFile());
    for (auto _ : state)
        if (!CopyFileByPath(source.c_str(), target.c_str())) state.SkipWithError("copy failed");
    unlink(TargetFile().c_str());
    state.SetBytesProcessed(state.iterations() * (int64_t)kCopySize);
}

void CopyWithCopyFileRange() {
    int in = open(SourceFile().c_str(), O_RDONLY | O_CLOEXEC);
    int out = open(TargetFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (ssize_t n = 1; n > 0;) n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    close(in);
    close(out);
}

void CopyFileRange(benchmark::State& state) {
    for (auto _ : state) CopyWithCopyFileRange();
    unlink(TargetFile().c_str());
    state.SetBytesProcessed(state.iterations() * (int64_t)kCopySize);
}

void CopyWithCp(benchmark::State& state) {
    std::string command = "cp '" + SourceFile() + "' '" + TargetFile() + "'";
    for (auto _ : state)
        if (system(command.c_str()) != 0) state.SkipWithError("cp failed");
    unlink(TargetFile().c_str());
    state.SetBytesProcessed(state.iterations() * (int64_t)kCopySize);
}

// Counts every entry below the folder, descending into folders (not links).
long WalkFolder(const std::wstring& folder) {
    long count = 0;
    CBasicFileFind find;
    std::vector<std::wstring> folders;
    for (int more = find.FindFirst((folder + L"/*").c_str(), 0); more; more = find.FindNext()) {
        if (find.IsDots()) continue;
        ++count;
        DWORD attributes = find.GetFindInfo()->GetAttributes();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            folders.push_back(find.GetFilePath());
    }
    find.Close();
    for (const std::wstring& sub : folders) count += WalkFolder(sub);
    return count;
}

void WalkUsrWithSearch(benchmark::State& state) {
    long count = 0;
    for (auto _ : state) count = WalkFolder(L"/usr");
    state.counters["entries"] = (double)count;
}

long WalkWithFind(const char* folder) {
    const std::string command = std::string("find ") + folder + " -mindepth 1 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    long count = 0;
    char line[8192];
    while (pipe && fgets(line, sizeof(line), pipe)) ++count;
    if (pipe) pclose(pipe);
    return count;
}

void WalkUsrWithFind(benchmark::State& state) {
    long count = 0;
    for (auto _ : state) count = WalkWithFind("/usr");
    state.counters["entries"] = (double)count;
}

// Each copy must give the source's bytes, and both walks the same count.
void CheckSameOutputs() {
    const uint64_t source = HashFile(SourceFile());
    const std::wstring wideSource = Utf8ToWide(SourceFile()), wideTarget = Utf8ToWide(TargetFile());
    CopyFileByPath(wideSource.c_str(), wideTarget.c_str());
    RequireSameOutput("CopyFileByPath", HashFile(TargetFile()), source);
    unlink(TargetFile().c_str());
    CopyWithCopyFileRange();
    RequireSameOutput("copy_file_range", HashFile(TargetFile()), source);
    unlink(TargetFile().c_str());
    const std::string cp = "cp '" + SourceFile() + "' '" + TargetFile() + "'";
    RequireSameOutput("cp", system(cp.c_str()) == 0 ? HashFile(TargetFile()) : 0, source);
    unlink(TargetFile().c_str());
    RequireSameOutput("walk of /usr (entries)", (uint64_t)WalkFolder(L"/usr"), (uint64_t)WalkWithFind("/usr"));
}

BENCHMARK(CopyFileByPathBench)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(CopyFileRange)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(CopyWithCp)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(WalkUsrWithSearch)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(WalkUsrWithFind)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("copy", "CopyFileByPathBench/iterations:4/real_time", "CopyFileRange/iterations:4/real_time");
    reporter.PrintRatio("copy", "CopyFileByPathBench/iterations:4/real_time", "CopyWithCp/iterations:4/real_time");
    reporter.PrintRatio("walk", "WalkUsrWithSearch/iterations:3/real_time", "WalkUsrWithFind/iterations:3/real_time");
    benchmark::Shutdown();
    return 0;
}
