// Base64 over 50 MB of random bytes: our encoder (in one line and in mail
// lines) and decoder against OpenSSL's EVP_EncodeBlock and EVP_DecodeBlock
// doing the same work. Prints the time ratios at the end.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <vector>

#include "RatioReporter.h"
#include "utility/Base64Coding.h"

namespace {

constexpr int kDataSize = 50 * 1024 * 1024;

const std::vector<char>& Data() {
    static const std::vector<char> data = [] {
        std::vector<char> bytes(kDataSize);
        std::mt19937 random(42);
        for (char& b : bytes) b = (char)random();
        return bytes;
    }();
    return data;
}

const std::vector<char>& EncodedText() {
    static const std::vector<char> text = [] {
        std::vector<char> out((size_t)CBase64Coding::GetEncodedSize(kDataSize, 1));
        CBase64Coding().Encode(Data().data(), kDataSize, out.data(), 1);
        return out;
    }();
    return text;
}

void EncodeOurs(benchmark::State& state, int noLineBreaks) {
    const std::vector<char>& data = Data();
    std::vector<char> out((size_t)CBase64Coding::GetEncodedSize(kDataSize, noLineBreaks));
    CBase64Coding coder;
    for (auto _ : state) {
        coder.Encode(data.data(), kDataSize, out.data(), noLineBreaks);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kDataSize);
}

void EncodeBase64(benchmark::State& state) { EncodeOurs(state, 1); }
void EncodeBase64Lines(benchmark::State& state) { EncodeOurs(state, 0); }

void EncodeOpenSsl(benchmark::State& state) {
    const std::vector<char>& data = Data();
    std::vector<unsigned char> out((size_t)CBase64Coding::GetEncodedSize(kDataSize, 1));
    for (auto _ : state) {
        EVP_EncodeBlock(out.data(), (const unsigned char*)data.data(), kDataSize);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kDataSize);
}

void DecodeBase64(benchmark::State& state) {
    const std::vector<char>& text = EncodedText();
    unsigned length = (unsigned)text.size() - 1;
    std::vector<char> out(CBase64Coding::GetMaxDecodedSize(length));
    CBase64Coding coder;
    int outLength = 0;
    for (auto _ : state) {
        coder.Decode(text.data(), length, out.data(), &outLength);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kDataSize);
}

void DecodeOpenSsl(benchmark::State& state) {
    const std::vector<char>& text = EncodedText();
    int length = (int)text.size() - 1;
    std::vector<unsigned char> out(CBase64Coding::GetMaxDecodedSize((unsigned)length));
    for (auto _ : state) {
        EVP_DecodeBlock(out.data(), (const unsigned char*)text.data(), length);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kDataSize);
}

BENCHMARK(EncodeBase64)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeBase64Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOpenSsl)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeBase64)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeOpenSsl)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("encode", "EncodeBase64", "EncodeOpenSsl");
    reporter.PrintRatio("encode in lines", "EncodeBase64Lines", "EncodeOpenSsl");
    reporter.PrintRatio("decode", "DecodeBase64", "DecodeOpenSsl");
    benchmark::Shutdown();
    return 0;
}
