// Downloads 64 MiB over loopback from the tests' SFTP server (asyncssh with
// an account of its own) with our SFTP client (through the agent program
// SFtp) and with curl ("curl sftp://", which uses libssh2 as well), and
// prints our throughput as a share of curl's. Each curl run logs on, so each
// of our downloads logs on with a new connection as well. Skips itself when
// the server or curl is missing.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/SFtpConnection.h"
#include "OnlineServices/Sendrix/SFtpFile.h"
#include "bench/CurlRun.h"
#include "bench/RatioReporter.h"
#include "testing/Online/TestSshServer.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"

namespace {

constexpr size_t kFileSize = 64u << 20;

class TrustOnce : public CAbstractCertificateHandler {
public:
    int Ask(int question, const void* record) override { return kTrustCertificateOnce; }
};

struct Setup {
    kvxtest::TempFolder folder;
    kvxtest::RecordingLog log;
    TrustOnce handler;
    sendrixtest::CTestSshServer server;
    COnlineProfile profile;
    std::unique_ptr<CSFtpConnection> connection;
    std::string curl;
    std::string path;
    std::string skipReason;
};

Setup* g_setup = nullptr;

void StartServer(Setup& setup) {
    setup.folder.RedirectHome();
    setup.curl = FindProgramOnPath("curl");
    if (setup.curl.empty()) {
        setup.skipReason = "curl is not installed";
        return;
    }
    std::string problem = setup.server.Start(setup.folder.Path());
    if (!problem.empty()) {
        setup.skipReason = problem;
        return;
    }
    std::string body(kFileSize, '\0');
    std::mt19937_64 random(7);
    for (size_t i = 0; i + 8 <= body.size(); i += 8) {
        uint64_t value = random();
        memcpy(&body[i], &value, 8);
    }
    setup.path = setup.server.DataFolder() + "/data.bin";
    FILE* file = fopen(setup.path.c_str(), "wb");
    bool written = file && fwrite(body.data(), 1, body.size(), file) == body.size();
    if (file) fclose(file);
    setup.profile.SetHost(L"127.0.0.1");
    setup.profile.SetPort(setup.server.Port());
    setup.profile.SetUserName(sendrixtest::CTestSshServer::User());
    setup.profile.SetPassword(sendrixtest::CTestSshServer::Password());
    setup.profile.SetProtocol(4);
    setup.connection = std::make_unique<CSFtpConnection>(&setup.profile, nullptr, &setup.log, &setup.handler);
    if (!written || !setup.connection->IsConnected()) setup.skipReason = "the SFTP client could not log on";
}

void BM_OursSftp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    const std::wstring path = kvxtest::Widen(g_setup->path);
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        CSFtpConnection connection(&g_setup->profile, nullptr, &g_setup->log, &g_setup->handler);
        if (!connection.IsConnected()) return state.SkipWithError("log-on failed");
        CSFtpFile file(&connection, 0, nullptr);
        if (file.Open(path.c_str(), GENERIC_READ, 0, 0, 0) != 0) return state.SkipWithError("open failed");
        size_t total = 0;
        DWORD done = 0;
        while (file.Read(buffer.data(), (DWORD)buffer.size(), &done) == 0 && done > 0) total += done;
        file.Close();
        if (total != kFileSize) return state.SkipWithError("short download");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

void BM_CurlSftp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    const std::string url = "sftp://127.0.0.1:" + std::to_string(g_setup->server.Port()) + g_setup->path;
    const std::string user = "kvxsftp:" + kvxtest::Narrow(sendrixtest::CTestSshServer::Password());
    for (auto _ : state) {
        if (!RunCurl(g_setup->curl, {"-s", "-k", "--noproxy", "*", "-u", user, "-o", "/dev/null", url}))
            return state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

BENCHMARK(BM_OursSftp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CurlSftp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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
    // Time of curl over ours: our throughput as a share of curl's.
    reporter.PrintRatio("SFTP throughput, ours as a share of curl's", "BM_CurlSftp/iterations:3/real_time",
                        "BM_OursSftp/iterations:3/real_time");
    setup.reset();
    benchmark::Shutdown();
    return 0;
}
