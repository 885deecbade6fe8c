// Starting the main program as a user does: the time from starting the
// process to its main window being shown, that is mapped and painted for the
// first time. The program runs under an X server of the benchmark's own, on
// a fresh home where the agreement was accepted and the data file exists
// (one start that is not timed makes it). Each repetition is one start; the
// window is then closed as a window manager closes it and the program must
// end by itself. Goal: a median under 0.5 s.
//
// The first painting is seen through the X damage extension: the program's
// windows have no background of their own, so the server draws nothing into
// them when they are mapped, and the first damage on the main window is the
// program's own first picture of it.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ProgramStartWatcher.h"
#include "testing/IsolatedRun.h"
#include "testing/XvfbServer.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

using kvxbench::CStartWatcher;
using kvxbench::StartResult;

constexpr int kStarts = 10;

CStartWatcher* g_watcher = nullptr;
std::string g_program;
std::vector<double> g_times;

void BM_StartToMainWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        const StartResult result = g_watcher->StartOnce(g_program);
        if (!result.error.empty()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        state.SetIterationTime(result.painted);
        state.counters["mapped_ms"] = result.mapped * 1000;
        g_times.push_back(result.painted);
    }
}
BENCHMARK(BM_StartToMainWindowShown)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kStarts)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });

int Run(int argc, char** argv) {
    kvxtest::XvfbServer server;
    if (!server.Running()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // A desktop session has its own runtime folder.
    const char* tmp = std::getenv("TMPDIR");
    const std::string runtime = std::string(tmp && *tmp ? tmp : "/tmp") + "/runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    CStartWatcher watcher("Quenzel - Let");
    if (!watcher.Open()) {
        std::fprintf(stderr, "no connection to the X server, or it has no damage extension\n");
        return 1;
    }
    g_watcher = &watcher;

    // The agreement was accepted at an earlier start; the first start makes
    // the data file.
    {
        CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
        registry.SetDWORD(L"App1", L"EULA", 1);
    }
    const StartResult first = watcher.StartOnce(g_program);
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string dataFile = std::string(data ? data : "") + "/Morvane/Quenzel/Quenzel.pkv";
    if (!first.error.empty() || !std::filesystem::exists(dataFile)) {
        std::fprintf(stderr, "the first start failed: %s\n",
                     first.error.empty() ? "no data file was made" : first.error.c_str());
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (g_times.empty()) return 1;
    kvxbench::PrintStartSummary("Start to main window shown", g_times, 500);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    g_program = std::string(KVX_BIN_FOLDER) + "/Quenzel";
    return kvxtest::RunInIsolatedEnvironment([&] { return Run(argc, argv); });
}
