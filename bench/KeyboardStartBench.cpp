// Starting the on-screen keyboard as a user does: the time from starting the
// process to its window being shown, that is mapped and painted for the
// first time. The program runs under an X server of the benchmark's own, on
// a prepared home: the agreement was accepted and a layout other than the
// session's was chosen at an earlier start (one start that is not timed).
// Each repetition is one start; the window is then closed as a window
// manager closes it and the program must end by itself, giving back its
// key codes. Goal: a median under 150 ms.

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

void BM_StartToKeyboardShown(benchmark::State& state) {
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
BENCHMARK(BM_StartToKeyboardShown)
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
    const char* tmp = std::getenv("TMPDIR");
    const std::string runtime = std::string(tmp && *tmp ? tmp : "/tmp") + "/runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    CStartWatcher watcher("Ondrivel - On-Screen");
    if (!watcher.Open()) {
        std::fprintf(stderr, "no connection to the X server, or it has no damage extension\n");
        return 1;
    }
    g_watcher = &watcher;

    // The prepared home: the agreement accepted, the Russian layout chosen.
    {
        CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
        registry.SetDWORD(L"App2", L"EULA", 1);
        CBasicRegistry settings(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
        settings.SetDWORD(L"Settings", L"KeyBoardCtrlID", 0x419);
    }
    const StartResult first = watcher.StartOnce(g_program);
    if (!first.error.empty()) {
        std::fprintf(stderr, "the first start failed: %s\n", first.error.c_str());
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (g_times.empty()) return 1;
    kvxbench::PrintStartSummary("Start to keyboard window shown", g_times, 150);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    g_program = std::string(KVX_BIN_FOLDER) + "/Keyboard";
    return kvxtest::RunInIsolatedEnvironment([&] { return Run(argc, argv); });
}
