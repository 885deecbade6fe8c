// Sampling and scaled drawing of a 1920 x 1080 picture with an alpha plane,
// at half and at double size: bilinear and Lanczos sampling point by point,
// and drawing on the memory device with nearest pixels and smoothed, each
// against OpenCV's resize (one thread) on the same pixels. Prints the time
// ratios at the end.

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXMemoryDeviceContext.h"
#include "bench/RatioReporter.h"

namespace {

constexpr long kWidth = 1920;
constexpr long kHeight = 1080;

// Smooth gradients with some texture, and an alpha ramp.
CKVXImage& Picture() {
    static CKVXImage picture = [] {
        CKVXImage image(kWidth, kHeight, 24);
        image.AlphaCreate();
        uint32_t noise = 12345;
        for (long y = 0; y < kHeight; ++y) {
            BYTE* row = image.GetBits(static_cast<DWORD>(y));
            for (long x = 0; x < kWidth; ++x) {
                noise = noise * 1103515245u + 12345u;
                row[3 * x] = static_cast<BYTE>(x * 255 / kWidth);
                row[3 * x + 1] = static_cast<BYTE>(y * 255 / kHeight);
                row[3 * x + 2] = static_cast<BYTE>((x + y) / 8 + (noise >> 28));
                image.AlphaSet(x, y, static_cast<BYTE>(x / 8));
            }
        }
        return image;
    }();
    return picture;
}

// The same pixels as a 4-channel OpenCV matrix (blue, green, red, alpha).
const cv::Mat& PictureMat() {
    static cv::Mat mat = [] {
        CKVXImage& image = Picture();
        cv::Mat m(kHeight, kWidth, CV_8UC4);
        for (long y = 0; y < kHeight; ++y) {
            const BYTE* row = image.GetBits(static_cast<DWORD>(y));
            uint8_t* out = m.ptr<uint8_t>(static_cast<int>(y));
            for (long x = 0; x < kWidth; ++x) {
                out[4 * x] = row[3 * x];
                out[4 * x + 1] = row[3 * x + 1];
                out[4 * x + 2] = row[3 * x + 2];
                out[4 * x + 3] = image.AlphaGet(x, y);
            }
        }
        return m;
    }();
    return mat;
}

long Scaled(long size, const benchmark::State& state) {
    return size * state.range(0) / 100;
}

// Samples the picture at the centre of every output pixel.
void Sample(benchmark::State& state, CKVXImage::InterpolationMethod method) {
    CKVXImage& image = Picture();
    const long width = Scaled(kWidth, state);
    const long height = Scaled(kHeight, state);
    const float step = 100.0f / static_cast<float>(state.range(0));
    std::vector<RGBQUAD> out(static_cast<size_t>(width * height));
    for (auto _ : state) {
        RGBQUAD* pixel = out.data();
        for (long y = 0; y < height; ++y) {
            const float sy = (static_cast<float>(y) + 0.5f) * step - 0.5f;
            for (long x = 0; x < width; ++x) {
                const float sx = (static_cast<float>(x) + 0.5f) * step - 0.5f;
                *pixel++ = image.GetPixelColorInterpolated(sx, sy, method, CKVXImage::OverflowClampToEdge);
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
}

void Draw(benchmark::State& state, bool smooth) {
    CKVXImage& image = Picture();
    const long width = Scaled(kWidth, state);
    const long height = Scaled(kHeight, state);
    CKVXMemoryDeviceContext dc(width, height);
    for (auto _ : state) {
        image.Draw(&dc, 0, 0, width, height, nullptr, smooth);
        benchmark::DoNotOptimize(dc.GetPixel(0, 0));
    }
}

void Resize(benchmark::State& state, int interpolation) {
    cv::setNumThreads(1);
    const cv::Mat& source = PictureMat();
    cv::Mat target;
    const cv::Size size(static_cast<int>(Scaled(kWidth, state)), static_cast<int>(Scaled(kHeight, state)));
    for (auto _ : state) {
        cv::resize(source, target, size, 0, 0, interpolation);
        benchmark::DoNotOptimize(target.data);
    }
}

void SampleBilinear(benchmark::State& state) { Sample(state, CKVXImage::InterpolationBilinear); }
void SampleLanczos(benchmark::State& state) { Sample(state, CKVXImage::InterpolationLanczosSinc); }
void DrawNearest(benchmark::State& state) { Draw(state, false); }
void DrawSmooth(benchmark::State& state) { Draw(state, true); }
void ResizeLinear(benchmark::State& state) { Resize(state, cv::INTER_LINEAR); }
void ResizeLanczos4(benchmark::State& state) { Resize(state, cv::INTER_LANCZOS4); }
void ResizeNearest(benchmark::State& state) { Resize(state, cv::INTER_NEAREST); }

// Arguments: the output size in percent of the picture's.
BENCHMARK(SampleBilinear)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(ResizeLinear)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(SampleLanczos)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(ResizeLanczos4)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawNearest)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(ResizeNearest)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawSmooth)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* scale : {"50", "200"}) {
        const std::string at = std::string("/") + scale;
        const std::string what = std::string(" at ") + scale + "%";
        reporter.PrintRatio(("bilinear" + what).c_str(), "SampleBilinear" + at, "ResizeLinear" + at);
        reporter.PrintRatio(("lanczos" + what).c_str(), "SampleLanczos" + at, "ResizeLanczos4" + at);
        reporter.PrintRatio(("draw nearest" + what).c_str(), "DrawNearest" + at, "ResizeNearest" + at);
        reporter.PrintRatio(("draw smooth" + what).c_str(), "DrawSmooth" + at, "ResizeLinear" + at);
    }
    benchmark::Shutdown();
    return 0;
}
