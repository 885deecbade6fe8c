#pragma once
// A console reporter that also keeps each benchmark's time per iteration in
// every repetition, so that a benchmark can print how our code compares with
// its reference: the ratio of the two medians. The time is the one the
// benchmark declares: wall-clock time for those that use real time (their
// work runs in other processes too), else the process's CPU time, which a
// loaded machine disturbs far less.
//
// KVXBenchmarkArguments gives the command line with five repetitions unless
// it names a count itself (--benchmark_repetitions=N), and with the
// repetitions of all benchmarks of the program taking turns in a random
// order unless it says otherwise (--benchmark_enable_random_interleaving):
// run one side after the other, a load that comes or goes on the machine in
// between falls on one side only and moves the ratio, and the range of the
// pairwise ratios hides it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_times[run.benchmark_name()].push_back(
                    run.benchmark_name().find("/real_time") != std::string::npos ? run.GetAdjustedRealTime()
                                                                                 : run.GetAdjustedCPUTime());
        ConsoleReporter::ReportRuns(runs);
    }
    // The median time of a benchmark over its repetitions; 0 when it did
    // not run.
    double Median(const std::string& name) const {
        auto found = m_times.find(name);
        if (found == m_times.end() || found->second.empty()) return 0.0;
        std::vector<double> times = found->second;
        std::sort(times.begin(), times.end());
        const size_t n = times.size();
        return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2.0;
    }
    // The ratio of the medians, and the range of the ratios of the
    // repetitions taken pairwise (the first of ours over the first of the
    // reference, ...), which shows the noise of the run.
    void PrintRatio(const char* what, const std::string& ours, const std::string& reference) const {
        const double a = Median(ours), b = Median(reference);
        if (a <= 0 || b <= 0) return;
        const std::vector<double>& mine = m_times.at(ours);
        const std::vector<double>& theirs = m_times.at(reference);
        double low = a / b, high = a / b;
        for (size_t i = 0; i < mine.size() && i < theirs.size(); ++i)
            if (theirs[i] > 0) {
                low = std::min(low, mine[i] / theirs[i]);
                high = std::max(high, mine[i] / theirs[i]);
            }
        std::printf("%s: %s / %s = %.2f (range %.2f-%.2f; medians of %zu and %zu runs)\n", what, ours.c_str(),
                    reference.c_str(), a / b, low, high, mine.size(), theirs.size());
    }

private:
    std::map<std::string, std::vector<double>> m_times;
};

// argv with --benchmark_repetitions=5 and random interleaving added unless
// the command line gives them; the strings stay those of argv (and static
// literals).
inline std::vector<char*> KVXBenchmarkArguments(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> arguments(argv, argv + argc);
    auto given = [&arguments](const char* flag) {
        return std::any_of(arguments.begin(), arguments.end(),
                           [flag](const char* a) { return std::strncmp(a, flag, std::strlen(flag)) == 0; });
    };
    const std::ptrdiff_t at = argc > 0 ? 1 : 0;  // after the program's name
    if (!given("--benchmark_enable_random_interleaving")) arguments.insert(arguments.begin() + at, interleave);
    if (!given("--benchmark_repetitions")) arguments.insert(arguments.begin() + at, repetitions);
    arguments.push_back(nullptr);
    return arguments;
}
