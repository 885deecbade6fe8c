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
#include "bench/DownloadCheck.h"
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

// Anonymous, passive, on the test server.
void SetUpProfile(COnlineProfile& profile) {
    profile.SetHost(L"127.0.0.1");
    profile.SetPort(g_setup->server.Port());
    profile.SetUserName(L"anonymous");
    profile.SetPassive(1);
}

std::string Url() {
    return "ftp://127.0.0.1:" + std::to_string(g_setup->server.Port()) + "/data.bin";
}

// Before timing: the bytes each side receives must be the served file's.
void CheckSameOutputs() {
    const std::string served = g_setup->root + "/data.bin";
    COnlineProfile profile;
    SetUpProfile(profile);
    const std::wstring path = kvxtest::Widen(served);
    std::vector<char> buffer(64 << 10);
    COutputHash ours;
    {
        CFtpConnection connection(&profile, nullptr, nullptr, nullptr);
        CFtpFile file(&connection, GENERIC_READ, nullptr);
        if (file.Open(path.c_str(), GENERIC_READ, 0, 0, 0) >= 0) ReadToEnd(file, buffer, &ours);
        file.Close();
    }
    RequireSameOutput("FTP download, bytes received by ours", ours.Value(), HashFile(served));
    RequireSameOutput("FTP download, bytes received by curl",
                      CurlDownloadHash(g_setup->curl, {"-s", "--noproxy", "*", Url()}, g_setup->folder.Sub("curl.bin")),
                      HashFile(served));
}

void BM_OursFtp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    COnlineProfile profile;
    SetUpProfile(profile);
    std::wstring path = kvxtest::Widen(g_setup->root + "/data.bin");
    std::vector<char> buffer(64 << 10);
    for (auto _ : state) {
        CFtpConnection connection(&profile, nullptr, nullptr, nullptr);
        CFtpFile file(&connection, GENERIC_READ, nullptr);
        if (file.Open(path.c_str(), GENERIC_READ, 0, 0, 0) < 0) return state.SkipWithError("open failed");
        const size_t total = ReadToEnd(file, buffer, nullptr);
        file.Close();
        if (total != kFileSize) return state.SkipWithError("short download");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

void BM_CurlFtp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    const std::string url = Url();
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
    if (setup->skipReason.empty()) CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("FTP throughput, ours as a share of curl's", "BM_CurlFtp/iterations:5/real_time",
                        "BM_OursFtp/iterations:5/real_time");
    benchmark::Shutdown();
    return 0;
}
