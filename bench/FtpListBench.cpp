// Parsing an FTP listing: 100,000 Unix long-listing lines per iteration,
// parsed alone and parsed into the finder's ordered set. Goal: at least
// 500,000 lines per second.

#include <benchmark/benchmark.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/FtpEntryOrder.h"
#include "OnlineServices/Sendrix/FtpListParser.h"
#include "bench/SameOutput.h"
#include "utility/BasicFileFindInfo.h"

namespace {

constexpr int kLines = 100000;
constexpr int64_t kNow = 1796904000;  // 2026-12-10 12:00 UTC

const std::vector<std::string>& Lines() {
    static const std::vector<std::string> lines = [] {
        static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        std::vector<std::string> out;
        out.reserve(kLines);
        for (int i = 0; i < kLines; ++i) {
            std::string when = i % 3 ? std::to_string(i % 24) + ":" + std::to_string(10 + i % 50) : " 2019";
            out.push_back(std::string(i % 10 ? "-rw-r--r--" : "drwxr-xr-x") + "   1 owner  group  " +
                          std::to_string(1000 + i * 37) + " " + months[i % 12] + " " + std::to_string(1 + i % 28) +
                          " " + when + " file_" + std::to_string(i) + ".dat");
        }
        return out;
    }();
    return lines;
}

void BM_ParseUnixLines(benchmark::State& state) {
    const std::vector<std::string>& lines = Lines();
    for (auto _ : state) {
        int parsed = 0;
        for (const std::string& line : lines) {
            CBasicFileFindInfo record;
            parsed += ParseFtpListLine(line.data(), line.size(), record, kNow);
        }
        if (parsed != kLines) state.SkipWithError("a line did not parse");
        benchmark::DoNotOptimize(parsed);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ParseUnixLines)->Unit(benchmark::kMillisecond);

void BM_ListingIntoOrderedSet(benchmark::State& state) {
    const std::vector<std::string>& lines = Lines();
    for (auto _ : state) {
        std::set<CBasicFileFindInfo, FtpEntryOrder> records;
        for (const std::string& line : lines) {
            CBasicFileFindInfo record;
            if (ParseFtpListLine(line.data(), line.size(), record, kNow)) records.insert(record);
        }
        if (records.size() != (size_t)kLines) state.SkipWithError("entries were lost");
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ListingIntoOrderedSet)->Unit(benchmark::kMillisecond);

// Before timing: with no other parser to compare with, the records must be
// what the lines were made from (name, size, folder or file), and the
// ordered set must get every one of them.
void CheckSameOutputs() {
    const std::vector<std::string>& lines = Lines();
    COutputHash parsed, made;
    std::set<CBasicFileFindInfo, FtpEntryOrder> records;
    for (int i = 0; i < kLines; ++i) {
        CBasicFileFindInfo record;
        if (!ParseFtpListLine(lines[i].data(), lines[i].size(), record, kNow)) continue;
        parsed.AddText(std::wstring(record.GetFileName()));
        const ULONGLONG size = record.GetFileSize();
        const bool folder = (record.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0;
        parsed.Add(&size, sizeof(size));
        parsed.Add(&folder, sizeof(folder));
        records.insert(record);

        made.AddText(L"file_" + std::to_wstring(i) + L".dat");
        const ULONGLONG madeSize = 1000 + static_cast<ULONGLONG>(i) * 37;
        const bool madeFolder = i % 10 == 0;
        made.Add(&madeSize, sizeof(madeSize));
        made.Add(&madeFolder, sizeof(madeFolder));
    }
    RequireSameOutput("names, sizes and kinds parsed from 100,000 lines", parsed.Value(), made.Value());
    RequireSameOutput("records in the ordered set", records.size(), static_cast<uint64_t>(kLines));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CheckSameOutputs();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
