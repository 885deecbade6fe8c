// Downloads 64 MiB over loopback from OpenSSH's sshd through our SFTP agent
// (the library's channel and the SFtp program) and with curl ("curl
// sftp://", which uses libssh2 as well), and prints our throughput as a
// share of curl's. Needs root (sshd with password login for a test account)
// and skips itself otherwise, or when sshd or curl is missing.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/tests/integration/SFtpAgentSession.h"
#include "OnlineServices/Sendrix/tests/integration/TestSshServer.h"
#include "bench/RatioReporter.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"

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
    std::unique_ptr<sendrixtest::CSFtpAgentSession> session;
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
    setup.session = std::make_unique<sendrixtest::CSFtpAgentSession>(&setup.log, &setup.handler);
    if (!written || !setup.session->Login(setup.server.Port(), sendrixtest::CTestSshServer::User(),
                                          sendrixtest::CTestSshServer::Password()))
        setup.skipReason = "the agent could not log on";
}

void BM_OursSftp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    for (auto _ : state) {
        std::string bytes;
        bytes.reserve(kFileSize);
        if (!g_setup->session->Download(g_setup->path, bytes) || bytes.size() != kFileSize)
            return state.SkipWithError("download failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

void BM_CurlSftp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    const std::string url = "sftp://127.0.0.1:" + std::to_string(g_setup->server.Port()) + g_setup->path;
    const std::string user = "kvxsftp:" + kvxtest::Narrow(sendrixtest::CTestSshServer::Password());
    for (auto _ : state) {
        HANDLE process =
            StartProcess(g_setup->curl, {"curl", "-s", "-k", "--noproxy", "*", "-u", user, "-o", "/dev/null", url}, "");
        DWORD code = 1;
        if (process && WaitForSingleObject(process, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
        if (process) CloseHandle(process);
        if (code != 0) return state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

BENCHMARK(BM_OursSftp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CurlSftp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
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
