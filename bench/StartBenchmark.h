#pragma once
// The main loop of the start benchmarks: under an X server of the
// benchmark's own, with a desktop session's runtime folder, the home is
// prepared, the program is started once untimed (which must succeed), then
// started once a repetition and timed from the process's start to its
// window being shown (CStartWatcher), and the median, minimum and maximum
// are printed against the goal.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/ProgramStartWatcher.h"
#include "testing/IsolatedRun.h"
#include "testing/XvfbServer.h"

namespace kvxbench {

struct StartBenchmark {
    std::string name;        // the benchmark's name
    std::string program;     // the program's path
    std::string titlePrefix; // how the title of its window begins
    std::string summary;     // what the printed figures measure
    int goalMs = 0;          // the goal for the median
    int starts = 10;         // timed starts
    // Prepares the home before the first start.
    std::function<void()> prepareHome;
    // After the first start: what it failed to make, empty when all is there.
    std::function<std::string()> checkFirstStart;
};

inline int RunStarts(int argc, char** argv, const StartBenchmark& run) {
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
    CStartWatcher watcher(run.titlePrefix);
    if (!watcher.Open()) {
        std::fprintf(stderr, "no connection to the X server, or it has no damage extension\n");
        return 1;
    }

    if (run.prepareHome) run.prepareHome();
    const StartResult first = watcher.StartOnce(run.program);
    const std::string missing = first.error.empty() && run.checkFirstStart ? run.checkFirstStart() : "";
    if (!first.error.empty() || !missing.empty()) {
        std::fprintf(stderr, "the first start failed: %s\n", first.error.empty() ? missing.c_str() : first.error.c_str());
        return 1;
    }

    std::vector<double> times;
    benchmark::RegisterBenchmark(run.name.c_str(),
                                 [&](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const StartResult result = watcher.StartOnce(run.program);
                                         if (!result.error.empty()) {
                                             state.SkipWithError(result.error.c_str());
                                             break;
                                         }
                                         state.SetIterationTime(result.painted);
                                         state.counters["mapped_ms"] = result.mapped * 1000;
                                         times.push_back(result.painted);
                                     }
                                 })
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(run.starts)
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (times.empty()) return 1;
    PrintStartSummary(run.summary.c_str(), times, run.goalMs);
    return 0;
}

// Runs the start benchmark in an isolated environment (a home of its own).
inline int RunStartBenchmark(int argc, char** argv, const StartBenchmark& run) {
    return kvxtest::RunInIsolatedEnvironment([&] { return RunStarts(argc, argv, run); });
}

} // namespace kvxbench
