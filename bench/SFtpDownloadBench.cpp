// Downloads 256 MiB over loopback from the tests' SFTP server (asyncssh with
// an account of its own) with our SFTP client (through the agent program
// SFtp) and with curl ("curl sftp://"), ten times each, and prints our
// time and CPU time (this process and its reaped children: the agent, curl)
// as ratios of curl's medians, and how far our slowest run is from our
// fastest. Each curl run logs on, so each of our downloads logs on with a
// new connection as well. Skips itself when the server or curl is missing.
// The goal on two cores (taskset -c 0,1): time <= 1.5, CPU <= 2, slowest <=
// 1.5 x fastest.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/SFtpConnection.h"
#include "OnlineServices/Sendrix/SFtpFile.h"
#include "bench/DownloadCheck.h"
#include "bench/RatioReporter.h"
#include "testing/Online/TestSshServer.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"

namespace {

constexpr size_t kFileSize = 256u << 20;
// Runs of each side (KVX_SFTP_BENCH_RUNS may ask for fewer while tuning).
int Runs() {
    const char* runs = getenv("KVX_SFTP_BENCH_RUNS");
    return runs && atoi(runs) > 0 ? atoi(runs) : 10;
}

// Wall-clock and CPU seconds of every run, by side.
struct RunTimes {
    std::vector<double> wall;
    std::vector<double> cpu;
};
std::map<std::string, RunTimes> g_runs;

double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Measures one run of the body for side.
template <typename Body>
bool Measure(const std::string& side, Body body) {
    const double wall = WallSeconds(), cpu = CpuSeconds();
    if (!body()) return false;
    g_runs[side].wall.push_back(WallSeconds() - wall);
    g_runs[side].cpu.push_back(CpuSeconds() - cpu);
    return true;
}

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PrintFigures() {
    const RunTimes& ours = g_runs["ours"];
    const RunTimes& curl = g_runs["curl"];
    if (ours.wall.empty() || curl.wall.empty()) return;
    const double oursWall = MedianOf(ours.wall), curlWall = MedianOf(curl.wall);
    const double oursCpu = MedianOf(ours.cpu), curlCpu = MedianOf(curl.cpu);
    const auto [fastest, slowest] = std::minmax_element(ours.wall.begin(), ours.wall.end());
    std::printf("SFTP 256 MiB, medians of %zu runs: ours %.2f s (CPU %.2f s), curl %.2f s (CPU %.2f s)\n",
                ours.wall.size(), oursWall, oursCpu, curlWall, curlCpu);
    std::printf("time ratio ours/curl %.2f (goal <= 1.5), CPU ratio %.2f (goal <= 2), "
                "our slowest/fastest %.2f (%.2f / %.2f s, goal <= 1.5)\n",
                oursWall / curlWall, oursCpu / curlCpu, *slowest / *fastest, *slowest, *fastest);
}

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
        std::string failure;
        bool ok = Measure("ours", [&] {
            CSFtpConnection connection(&g_setup->profile, nullptr, &g_setup->log, &g_setup->handler);
            if (!connection.IsConnected()) {
                failure = "log-on failed";
                return false;
            }
            CSFtpFile file(&connection, 0, nullptr);
            if (file.Open(path.c_str(), GENERIC_READ, 0, 0, 0) != 0) {
                failure = "open failed";
                return false;
            }
            const size_t total = ReadToEnd(file, buffer, nullptr);
            file.Close();
            if (total != kFileSize) failure = "short download";
            return total == kFileSize;
        });
        if (!ok) return state.SkipWithError(failure.c_str());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}

// curl's arguments for the served file (the address last).
std::vector<std::string> CurlArguments() {
    return {"-s", "-k", "--noproxy", "*", "-u", "kvxsftp:" + kvxtest::Narrow(sendrixtest::CTestSshServer::Password()),
            "sftp://127.0.0.1:" + std::to_string(g_setup->server.Port()) + g_setup->path};
}

void BM_CurlSftp(benchmark::State& state) {
    if (!g_setup->skipReason.empty()) return state.SkipWithError(g_setup->skipReason.c_str());
    std::vector<std::string> arguments = CurlArguments();
    arguments.insert(arguments.end() - 1, {"-o", "/dev/null"});
    for (auto _ : state) {
        if (!Measure("curl", [&] { return RunCurl(g_setup->curl, arguments); }))
            return state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFileSize);
}


// Before timing: the bytes each side receives must be the served file's.
void CheckSameOutputs() {
    const uint64_t served = HashFile(g_setup->path);
    COutputHash ours;
    {
        CSFtpConnection connection(&g_setup->profile, nullptr, &g_setup->log, &g_setup->handler);
        CSFtpFile file(&connection, 0, nullptr);
        std::vector<char> buffer(1 << 20);
        const std::wstring path = kvxtest::Widen(g_setup->path);
        if (connection.IsConnected() && file.Open(path.c_str(), GENERIC_READ, 0, 0, 0) == 0)
            ReadToEnd(file, buffer, &ours);
        file.Close();
    }
    RequireSameOutput("SFTP download, bytes received by ours", ours.Value(), served);
    RequireSameOutput("SFTP download, bytes received by curl",
                      CurlDownloadHash(g_setup->curl, CurlArguments(), g_setup->folder.Sub("curl.bin")), served);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    benchmark::RegisterBenchmark("BM_OursSftp", BM_OursSftp)
        ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(Runs());
    benchmark::RegisterBenchmark("BM_CurlSftp", BM_CurlSftp)
        ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(Runs());
    auto setup = std::make_unique<Setup>();
    g_setup = setup.get();
    StartServer(*setup);
    if (setup->skipReason.empty()) CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintFigures();
    setup.reset();
    benchmark::Shutdown();
    return 0;
}
