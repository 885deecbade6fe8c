// 1,000 reads from a settings store of 500 values (half texts, half
// numbers) through CBasicRegistry (each read locks the hive and checks the
// file; the keys stay in memory) against the same reads through Qt's
// QSettings on an INI file of the same values (each read locks the settings
// object and looks in its cache). Both are settings stores that a program
// opens once and reads by key. Prints the ratio of the median times.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QSettings>
#include <QString>

#include "RatioReporter.h"
#include "SameOutput.h"
#include "utility/Posix/BasicRegistry.h"

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

// The same values in an INI file next to the hive.
QString IniPath() {
    MakeHive();
    static const QString path = [] {
        const QString file = QString::fromStdString(g_folder + "/settings.ini");
        QSettings settings(file, QSettings::IniFormat);
        for (int i = 0; i < kValues / 2; ++i)
            settings.setValue(QString::fromStdWString(L"Settings/" + ValueName(i)),
                              QStringLiteral("a setting text of some ordinary length"));
        for (int i = kValues / 2; i < kValues; ++i)
            settings.setValue(QString::fromStdWString(L"Settings/" + ValueName(i)), i);
        settings.sync();
        return file;
    }();
    return path;
}

void QSettingsReads(benchmark::State& state) {
    QSettings settings(IniPath(), QSettings::IniFormat);
    for (auto _ : state) {
        DWORD sum = 0;
        for (int i = 0; i < kReads; ++i) {
            int n = (i * 7) % kValues;
            const QString key = QString::fromStdWString(L"Settings/" + ValueName(n));
            if (n < kValues / 2) sum += (DWORD)settings.value(key, QString()).toString().size();
            else sum += settings.value(key, 0).toUInt();
        }
        benchmark::DoNotOptimize(sum);
    }
}

// Before timing: both stores must give the same values, every text and
// every number read by its key.
void CheckSameOutputs() {
    MakeHive();
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    QSettings settings(IniPath(), QSettings::IniFormat);
    COutputHash ours, reference;
    for (int n = 0; n < kValues; ++n) {
        const QString key = QString::fromStdWString(L"Settings/" + ValueName(n));
        if (n < kValues / 2) {
            const CBasicString text = registry.GetString(L"Settings", ValueName(n).c_str(), L"");
            ours.AddText(std::wstring(text.GetString(), (size_t)text.GetLength()));
            reference.AddText(settings.value(key, QString()).toString().toStdWString());
        } else {
            const DWORD value = registry.GetDWORD(L"Settings", ValueName(n).c_str(), 0);
            const DWORD read = settings.value(key, 0).toUInt();
            ours.Add(&value, sizeof(value));
            reference.Add(&read, sizeof(read));
        }
    }
    RequireSameOutput("the 500 values read by key", ours.Value(), reference.Value());
}

BENCHMARK(CachedReads)->Unit(benchmark::kMillisecond);
BENCHMARK(QSettingsReads)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("1,000 reads of a 500-value hive", "CachedReads", "QSettingsReads");
    benchmark::Shutdown();
    if (!g_folder.empty()) std::filesystem::remove_all(g_folder);
    return 0;
}
