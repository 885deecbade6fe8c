// Sending a message with a 10 MiB attachment to a local mail server
// (aiosmtpd) with the e-mail client, against `curl smtp:// -T` sending the
// same message text. Prints the time ratio at the end.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "OnlineServices/Sendrix/SMTPEmail.h"
#include "RatioReporter.h"
#include "SameOutput.h"
#include "testing/Online/LoopbackDaemon.h"
#include "testing/Online/SocketTesting.h"
#include "testing/RecordingLog.h"
#include "utility/TextCodec.h"

namespace {

constexpr size_t kAttachmentSize = 10 * 1024 * 1024;

// Takes every message and keeps those sent by capture...@bench.test, each
// as <sender's name>.eml in the folder (the last one of a sender).
const char kServerScript[] = R"PY(
import asyncio, os, sys
from aiosmtpd.smtp import SMTP
port, folder = int(sys.argv[1]), sys.argv[2]
class Sink:
    async def handle_DATA(self, server, session, envelope):
        name, _, domain = envelope.mail_from.partition("@")
        if name.startswith("capture") and domain == "bench.test":
            with open(os.path.join(folder, name + ".eml"), "wb") as f:
                f.write(envelope.original_content)
        return "250 taken"
handler = Sink()
loop = asyncio.new_event_loop()
loop.run_until_complete(loop.create_server(lambda: SMTP(handler, hostname="bench.test"), "127.0.0.1", port))
loop.run_forever()
)PY";

struct Setup {
    std::string folder;
    std::string attachment;
    std::string captured;
    int port = 0;
    sendrixtest::CLoopbackDaemon server;
    bool ready = false;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

int SendWithClient(Setup& setup, const wchar_t* sender) {
    static kvxtest::RecordingLog log;  // the client needs a log sink
    log.Clear();
    CSMTPEmail email(&log);
    if (email.Connect(L"127.0.0.1", setup.port, 0) != 1) return 0;
    std::wstring attachment = Utf8ToWide(setup.attachment);
    email.AddAttachment(attachment.c_str());
    int sent = email.SendMail(sender, L"to@bench.test", L"Benchmark", L"A large attachment.");
    email.Quit();
    return sent;
}

// The server, the attachment and the captured message text, made once.
Setup& Shared() {
    static Setup* setup = [] {
        Setup* s = new Setup;
        const char* tmp = getenv("TMPDIR");
        std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvx-bench-smtp-XXXXXX";
        if (!mkdtemp(base.data())) return s;
        s->folder = base;
        std::string bytes(kAttachmentSize, '\0');
        std::mt19937 random(11);
        for (char& b : bytes) b = (char)random();
        s->attachment = s->folder + "/attachment.bin";
        WriteFile(s->attachment, bytes);
        std::string script = s->folder + "/server.py";
        WriteFile(script, kServerScript);
        s->port = sendrixtest::FreeLoopbackPort();
        if (!s->server.Start("/usr/bin/python3", {"python3", script, std::to_string(s->port), s->folder}, s->port)) {
            fprintf(stderr, "%s\n", s->server.Error().c_str());
            return s;
        }
        s->captured = s->folder + "/capture.eml";
        s->ready = SendWithClient(*s, L"capture@bench.test") == 1 && access(s->captured.c_str(), R_OK) == 0;
        return s;
    }();
    return *setup;
}

void SMTPClientSend(benchmark::State& state) {
    Setup& setup = Shared();
    if (!setup.ready) return state.SkipWithError("no mail server (python3-aiosmtpd)");
    for (auto _ : state)
        if (SendWithClient(setup, L"from@bench.test") != 1) state.SkipWithError("sending failed");
    state.SetBytesProcessed(state.iterations() * (int64_t)kAttachmentSize);
}

std::string CurlCommand(const Setup& setup, const std::string& sender) {
    return "curl -s smtp://127.0.0.1:" + std::to_string(setup.port) + " --mail-from " + sender +
           " --mail-rcpt to@bench.test -T " + setup.captured;
}

void CurlSend(benchmark::State& state) {
    Setup& setup = Shared();
    if (!setup.ready) return state.SkipWithError("no mail server (python3-aiosmtpd)");
    const std::string command = CurlCommand(setup, "from@bench.test");
    for (auto _ : state)
        if (system(command.c_str()) != 0) state.SkipWithError("curl failed");
    state.SetBytesProcessed(state.iterations() * (int64_t)kAttachmentSize);
}

// Before timing: the server must take the same message text from both
// sides. curl sends the text our client sent; what the server kept of each
// must be equal bytes.
void CheckSameOutputs() {
    Setup& setup = Shared();
    if (!setup.ready) return;
    const std::string curlCapture = setup.folder + "/capture-curl.eml";
    const uint64_t curl = system(CurlCommand(setup, "capture-curl@bench.test").c_str()) == 0 ? HashFile(curlCapture) : 0;
    RequireSameOutput("the message text the server took", HashFile(setup.captured), curl);
}

BENCHMARK(SMTPClientSend)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CurlSend)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("10 MiB attachment to aiosmtpd", "SMTPClientSend/real_time", "CurlSend/real_time");
    Setup& setup = Shared();
    setup.server.Stop();
    if (!setup.folder.empty()) system(("rm -rf '" + setup.folder + "'").c_str());
    return 0;
}
