// Base64 over 50 MB of random bytes: our encoder (in one line and in mail
// lines) and decoder against OpenSSL's EVP_EncodeBlock and EVP_DecodeBlock
// doing the same work. Prints the time ratios at the end.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "SameOutput.h"
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

// Before timing: both sides must write the same text and read back the same
// bytes. Our mail lines are the one-line text with line breaks added, so
// without them they must be OpenSSL's text. OpenSSL's block decoder also
// counts the bytes the closing '=' stands for (it keeps no padding), so
// what must agree there is the original 50 MB.
void CheckSameOutputs() {
    const std::vector<char>& data = Data();
    const auto hashOf = [](const void* bytes, size_t size) {
        COutputHash hash;
        hash.Add(bytes, size);
        return hash.Value();
    };
    std::vector<unsigned char> openSsl((size_t)CBase64Coding::GetEncodedSize(kDataSize, 1));
    const int openSslLength = EVP_EncodeBlock(openSsl.data(), (const unsigned char*)data.data(), kDataSize);
    const uint64_t openSslText = hashOf(openSsl.data(), (size_t)std::max(openSslLength, 0));
    const std::vector<char>& oneLine = EncodedText();
    RequireSameOutput("encode", hashOf(oneLine.data(), std::strlen(oneLine.data())), openSslText);

    std::vector<char> lines((size_t)CBase64Coding::GetEncodedSize(kDataSize, 0));
    CBase64Coding().Encode(data.data(), kDataSize, lines.data(), 0);
    std::string joined(lines.data());
    joined.erase(std::remove_if(joined.begin(), joined.end(), [](char c) { return c == '\r' || c == '\n'; }),
                 joined.end());
    RequireSameOutput("encode in lines (without the line breaks)", hashOf(joined.data(), joined.size()), openSslText);

    const uint64_t original = hashOf(data.data(), data.size());
    std::vector<char> ours(CBase64Coding::GetMaxDecodedSize((unsigned)oneLine.size() - 1));
    int oursLength = 0;
    CBase64Coding().Decode(oneLine.data(), (unsigned)oneLine.size() - 1, ours.data(), &oursLength);
    RequireSameOutput("decode (ours)", hashOf(ours.data(), (size_t)std::max(oursLength, 0)), original);
    std::vector<unsigned char> decoded(ours.size() + 3);
    const int decodedLength = EVP_DecodeBlock(decoded.data(), (const unsigned char*)oneLine.data(), (int)oneLine.size() - 1);
    RequireSameOutput("decode (OpenSSL)", decodedLength >= kDataSize ? hashOf(decoded.data(), kDataSize) : 0, original);
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
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("encode", "EncodeBase64", "EncodeOpenSsl");
    reporter.PrintRatio("encode in lines", "EncodeBase64Lines", "EncodeOpenSsl");
    reporter.PrintRatio("decode", "DecodeBase64", "DecodeOpenSsl");
    benchmark::Shutdown();
    return 0;
}
