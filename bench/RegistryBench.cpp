// 1,000 reads from a settings hive of 500 values through CBasicRegistry
// (each read locks the hive and checks the file, the keys stay in memory),
// against reading and parsing the file for each read, as a store without
// the cache would. Prints the time ratio at the end.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/Posix/RegistryHive.h"
#include "utility/RegistryHiveText.h"
#include "utility/RegistryKey.h"

namespace {

constexpr int kValues = 500;
constexpr int kReads = 1000;

std::wstring ValueName(int i) { return L"Value" + std::to_wstring(i); }

std::string g_folder;  // the settings folder of the run, removed at the end

// A hive of kValues values below the application key, half numbers, half
// texts, in a fresh settings folder.
void MakeHive() {
    if (!g_folder.empty()) return;
    std::string pattern = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/kvx-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    g_folder = pattern;
    setenv("KVX_REGISTRY_DIR", g_folder.c_str(), 1);
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    std::vector<CBasicString> texts;
    for (int i = 0; i < kValues / 2; ++i) texts.emplace_back(L"a setting text of some ordinary length");
    registry.WriteValueList(L"SOFTWARE\\Morvane\\Quenzel", L"Settings", &texts);
    for (int i = kValues / 2; i < kValues; ++i) registry.SetDWORD(L"Settings", ValueName(i).c_str(), (DWORD)i);
}

void CachedReads(benchmark::State& state) {
    MakeHive();
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    for (auto _ : state) {
        DWORD sum = 0;
        for (int i = 0; i < kReads; ++i) {
            int n = (i * 7) % kValues;
            if (n < kValues / 2) sum += (DWORD)registry.GetString(L"Settings", ValueName(n).c_str(), L"").GetLength();
            else sum += registry.GetDWORD(L"Settings", ValueName(n).c_str(), 0);
        }
        benchmark::DoNotOptimize(sum);
    }
}

void ParseEachRead(benchmark::State& state) {
    MakeHive();
    std::string path = CRegistryHive::ForRoot(HKEY_CURRENT_USER)->GetPath();
    const std::vector<std::wstring> keyPath = {L"SOFTWARE", L"Morvane", L"Quenzel", L"Settings"};
    for (auto _ : state) {
        size_t sum = 0;
        for (int i = 0; i < kReads; ++i) {
            std::ifstream in(path, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            CRegistryKey top;
            ParseRegistryHive(bytes.data(), bytes.size(), top);
            const CRegistryValue* v = top.FindPath(keyPath)->FindValue(ValueName((i * 7) % kValues));
            sum += v ? v->data.size() : 0;
        }
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(CachedReads)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseEachRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("1,000 reads of a 500-value hive", "CachedReads", "ParseEachRead");
    benchmark::Shutdown();
    if (!g_folder.empty()) std::filesystem::remove_all(g_folder);
    return 0;
}
