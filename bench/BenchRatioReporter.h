#pragma once
// A console reporter that also keeps each benchmark's time per iteration, so
// that a benchmark's main can print how our code compares with its reference.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class CBenchRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    // Prints "what: ours / reference = ratio" when both have run.
    void PrintRatio(const char* what, const std::string& ours, const std::string& reference) const {
        auto a = m_times.find(ours), b = m_times.find(reference);
        if (a == m_times.end() || b == m_times.end() || b->second <= 0) return;
        std::printf("%s: %s / %s = %.2f\n", what, ours.c_str(), reference.c_str(), a->second / b->second);
    }

private:
    std::map<std::string, double> m_times;
};
