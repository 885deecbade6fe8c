// Downloads 256 MiB over loopback from lighttpd with our HTTP file and with
// curl ("curl -o /dev/null"), plain and over TLS, and prints our throughput
// as a share of curl's (goal: at least 0.9). Skips itself when lighttpd or
// curl is missing.

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/BasicHttpFile.h"
#include "bench/DownloadCheck.h"
#include "bench/RatioReporter.h"
#include "testing/CertFactory.h"
#include "testing/Online/LighttpdServer.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/ProcessStart.h"

namespace {

constexpr size_t kBodySize = 256u << 20;

struct Setup {
    kvxtest::TempFolder folder;
    kvxtest::RecordingLog log;
    sendrixtest::CLighttpdServer server;
    std::string curl;
    std::string caFile;
    std::string skipReason;
};

Setup* g_setup = nullptr;

std::string Url(bool tls) {
    return std::string(tls ? "https" : "http") + "://127.0.0.1:" +
           std::to_string(tls ? g_setup->server.TlsPort() : g_setup->server.Port()) + "/data.bin";
}

// lighttpd with a 256 MiB file; our HTTP file trusts its certificate
// through the trusted-certificate store beside the log, curl through the
// authority file.
void StartServer(Setup& setup) {
    setup.curl = FindProgramOnPath("curl");
    if (setup.curl.empty() || sendrixtest::CLighttpdServer::FindProgram().empty()) {
        setup.skipReason = "lighttpd or curl is not installed";
        return;
    }
    std::string body(kBodySize, '\0');
    std::mt19937_64 random(5);
    for (size_t i = 0; i + 8 <= body.size(); i += 8) {
        uint64_t value = random();
        memcpy(&body[i], &value, 8);
    }
    std::filesystem::create_directory(setup.folder.Sub("www"));
    setup.folder.WriteFile("www/data.bin", body);
    const kvxtest::CertFactory& factory = kvxtest::CertFactory::Shared();
    kvxtest::TestCertificate leaf = factory.Leaf();
    setup.caFile = setup.folder.WriteFile("ca.pem", factory.CaPem());
    setup.folder.WriteFile("TrustedCerts.dat", std::string(leaf.sha1.begin(), leaf.sha1.end()));
    setup.log.SetLogFilePath(setup.folder.WSub("kvx.log"));
    SetLibraryLog(&setup.log);
    if (!setup.server.Start(setup.folder.Sub("www"), setup.folder.WriteFile("server.pem", leaf.chainPem),
                            setup.folder.WriteFile("server.key", leaf.keyPem), setup.folder.Path()))
        setup.skipReason = "lighttpd did not start: " + setup.server.Error();
}

void Ours(benchmark::State& state, bool tls) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    std::wstring url = kvxtest::Widen(Url(tls));
    std::vector<char> buffer(64 << 10);
    for (auto _ : state) {
        CBasicHttpFile file;
        if (file.Open(url.c_str(), GENERIC_READ, 0, 0, 0) != 0) return state.SkipWithError("open failed");
        const size_t total = ReadToEnd(file, buffer, nullptr);
        file.Close();
        if (total != kBodySize) return state.SkipWithError("short download");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kBodySize);
}

std::vector<std::string> CurlArguments(bool tls) {
    return {"-s", "--noproxy", "*", "--cacert", g_setup->caFile, Url(tls)};
}

void Curl(benchmark::State& state, bool tls) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    for (auto _ : state) {
        std::vector<std::string> arguments = CurlArguments(tls);
        arguments.insert(arguments.end() - 1, {"-o", "/dev/null"});
        if (!RunCurl(g_setup->curl, arguments))
            return state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kBodySize);
}

// Before timing: the bytes each side receives must be the served file's.
void CheckSameOutputs(bool tls) {
    const uint64_t served = HashFile(g_setup->folder.Sub("www/data.bin"));
    const std::string what = tls ? "HTTPS download, bytes received by " : "HTTP download, bytes received by ";
    const std::wstring url = kvxtest::Widen(Url(tls));
    std::vector<char> buffer(64 << 10);
    COutputHash ours;
    CBasicHttpFile file;
    if (file.Open(url.c_str(), GENERIC_READ, 0, 0, 0) == 0) ReadToEnd(file, buffer, &ours);
    file.Close();
    RequireSameOutput((what + "ours").c_str(), ours.Value(), served);
    RequireSameOutput((what + "curl").c_str(), CurlDownloadHash(g_setup->curl, CurlArguments(tls), g_setup->folder.Sub("curl.bin")),
                      served);
}

void BM_OursHttp(benchmark::State& state) { Ours(state, false); }
void BM_CurlHttp(benchmark::State& state) { Curl(state, false); }
void BM_OursHttps(benchmark::State& state) { Ours(state, true); }
void BM_CurlHttps(benchmark::State& state) { Curl(state, true); }

BENCHMARK(BM_OursHttp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlHttp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_OursHttps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlHttps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    auto setup = std::make_unique<Setup>();
    g_setup = setup.get();
    StartServer(*setup);
    if (setup->skipReason.empty()) {
        CheckSameOutputs(false);
        CheckSameOutputs(true);
    }
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Time of curl over ours: our throughput as a share of curl's.
    reporter.PrintRatio("HTTP throughput, ours as a share of curl's", "BM_CurlHttp/iterations:5/real_time",
                        "BM_OursHttp/iterations:5/real_time");
    reporter.PrintRatio("HTTPS throughput, ours as a share of curl's", "BM_CurlHttps/iterations:5/real_time",
                        "BM_OursHttps/iterations:5/real_time");
    SetLibraryLog(nullptr);
    benchmark::Shutdown();
    return 0;
}
