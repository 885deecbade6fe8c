// Downloads 64 MiB over loopback from vsftpd with our FTP file and with
// curl ("curl ftp:// -o /dev/null"), and prints our throughput as a share
// of curl's. Each side logs on for every download (curl in each run, ours
// with a new connection). Skips itself when vsftpd or curl is missing.

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/FtpFile.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "bench/CurlRun.h"
#include "bench/RatioReporter.h"
#include "testing/Online/VsftpdServer.h"
#include "testing/TempFolder.h"
#include "utility/Posix/ProcessStart.h"

namespace {

constexpr size_t kFileSize = 64u << 20;

struct Setup {
    kvxtest::TempFolder folder;
    sendrixtest::CVsftpdServer server;
    std::string curl;
    std::string root;
    std::string skipReason;
};

Setup* g_setup = nullptr;

void StartServer(Setup& setup) {
    setup.curl = FindProgramOnPath("curl");
    if (setup.curl.empty() || sendrixtest::CVsftpdServer::FindProgram().empty()) {
        setup.skipReason = "vsftpd or curl is not installed";
        return;
    }
    setup.root = setup.folder.Sub("root");
    mkdir(setup.root.c_str(), 0755);
    std::string body(kFileSize, '\0');
    std::mt19937_64 random(7);
    for (size_t i = 0; i + 8 <= body.size(); i += 8) {
        uint64_t value = random();
        memcpy(&body[i], &value, 8);
    }
    setup.folder.WriteFile("root/data.bin", body);
    if (!setup.server.Start(setup.root, setup.folder.Path()))
        setup.skipReason = "vsftpd did not start: " + setup.server.Error();
}

void BM_OursFtp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    COnlineProfile profile;
    profile.SetHost(L"127.0.0.1");
    profile.SetPort(g_setup->server.Port());
    profile.SetUserName(L"anonymous");
    profile.SetPassive(1);
    std::wstring path = kvxtest::Widen(g_setup->root + "/data.bin");
    std::vector<char> buffer(64 << 10);
    for (auto _ : state) {
        CFtpConnection connection(&profile, nullptr, nullptr, nullptr);
        CFtpFile file(&connection, GENERIC_READ, nullptr);
        if (file.Open(path.c_str(), GENERIC_READ, 0, 0, 0) < 0) return state.SkipWithError("open failed");
        size_t total = 0;
        DWORD done = 0;
        while (file.Read(buffer.data(), (DWORD)buffer.size(), &done) == 0 && done > 0) total += done;
        file.Close();
        if (total != kFileSize) return state.SkipWithError("short download");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

void BM_CurlFtp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    std::string url = "ftp://127.0.0.1:" + std::to_string(g_setup->server.Port()) + "/data.bin";
    for (auto _ : state) {
        if (!RunCurl(g_setup->curl, {"-s", "--noproxy", "*", "-o", "/dev/null", url}))
            return state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

BENCHMARK(BM_OursFtp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlFtp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    auto setup = std::make_unique<Setup>();
    g_setup = setup.get();
    StartServer(*setup);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("FTP throughput, ours as a share of curl's", "BM_CurlFtp/iterations:5/real_time",
                        "BM_OursFtp/iterations:5/real_time");
    benchmark::Shutdown();
    return 0;
}
