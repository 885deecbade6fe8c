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
#include "bench/PixelCompare.h"
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

// Samples the picture at the centre of every pixel of out (width x height,
// rows as the picture's), the picture scaled by percent.
void SampleInto(std::vector<RGBQUAD>& out, long width, long height, long percent,
                CKVXImage::InterpolationMethod method) {
    CKVXImage& image = Picture();
    const float step = 100.0f / static_cast<float>(percent);
    RGBQUAD* pixel = out.data();
    for (long y = 0; y < height; ++y) {
        const float sy = (static_cast<float>(y) + 0.5f) * step - 0.5f;
        for (long x = 0; x < width; ++x) {
            const float sx = (static_cast<float>(x) + 0.5f) * step - 0.5f;
            *pixel++ = image.GetPixelColorInterpolated(sx, sy, method, CKVXImage::OverflowClampToEdge);
        }
    }
}

void Sample(benchmark::State& state, CKVXImage::InterpolationMethod method) {
    const long width = Scaled(kWidth, state);
    const long height = Scaled(kHeight, state);
    std::vector<RGBQUAD> out(static_cast<size_t>(width * height));
    for (auto _ : state) {
        SampleInto(out, width, height, state.range(0), method);
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

cv::Size ScaledSize(long percent) {
    return cv::Size(static_cast<int>(kWidth * percent / 100), static_cast<int>(kHeight * percent / 100));
}

void Resize(benchmark::State& state, int interpolation) {
    cv::setNumThreads(1);
    const cv::Mat& source = PictureMat();
    cv::Mat target;
    const cv::Size size = ScaledSize(state.range(0));
    for (auto _ : state) {
        cv::resize(source, target, size, 0, 0, interpolation);
        benchmark::DoNotOptimize(target.data);
    }
}

// Before timing: both sides must make the same size and pixels within
// bounds. Point sampling with our kernels against OpenCV's resize (the same
// sample points, other kernels and rounding) compares blue, green, red and
// alpha. Drawing blends by alpha onto the device's black, so the reference
// is OpenCV's resize blended the same way (colour x alpha / 255), rows from
// the top as the device's; smoothing blends before or after the
// interpolation, which changes a value near a step of the alpha plane.
// The bounds sit just above the differences measured on this picture
// (largest channel difference, mean): bilinear 1 and 0.21 at 50%, 1 and
// 0.16 at 200%; Lanczos 50 and 0.32, 45 and 0.32; drawing nearest 2 and
// 0.74 (the same pixels, blended with another rounding); drawing smooth 175
// and 1.68, 104 and 1.27. The picture's red channel wraps from 255 to 0
// along diagonals, where kernels that differ give values far apart, so the
// mean is the bound that tells a right picture from a wrong one (rows
// turned over or a shifted grid put it far above these).
void CheckSameOutputs() {
    cv::setNumThreads(1);
    struct SamplingCase {
        const char* what;
        CKVXImage::InterpolationMethod method;
        int interpolation;
        long percent;
        int largest;
        double mean;
    };
    const SamplingCase samplings[] = {
        {"bilinear sampling at 50%", CKVXImage::InterpolationBilinear, cv::INTER_LINEAR, 50, 1, 0.25},
        {"bilinear sampling at 200%", CKVXImage::InterpolationBilinear, cv::INTER_LINEAR, 200, 1, 0.2},
        {"Lanczos sampling at 50%", CKVXImage::InterpolationLanczosSinc, cv::INTER_LANCZOS4, 50, 56, 0.35},
        {"Lanczos sampling at 200%", CKVXImage::InterpolationLanczosSinc, cv::INTER_LANCZOS4, 200, 48, 0.35},
    };
    for (const SamplingCase& c : samplings) {
        const cv::Size size = ScaledSize(c.percent);
        std::vector<RGBQUAD> ours(static_cast<size_t>(size.width) * size.height);
        SampleInto(ours, size.width, size.height, c.percent, c.method);
        cv::Mat reference;
        cv::resize(PictureMat(), reference, size, 0, 0, c.interpolation);
        RequireClosePixels(c.what, PixelsOf(reinterpret_cast<const BYTE*>(ours.data()), size.width, size.height, 4, size.width * 4),
                           PixelsOf(reference.data, reference.cols, reference.rows, 4, reference.step), c.largest, c.mean);
    }
    struct DrawingCase {
        const char* what;
        bool smooth;
        int interpolation;
        long percent;
        int largest;
        double mean;
    };
    const DrawingCase drawings[] = {
        {"drawing nearest at 50%", false, cv::INTER_NEAREST, 50, 2, 0.8},
        {"drawing nearest at 200%", false, cv::INTER_NEAREST, 200, 2, 0.8},
        {"drawing smooth at 50%", true, cv::INTER_LINEAR, 50, 180, 1.8},
        {"drawing smooth at 200%", true, cv::INTER_LINEAR, 200, 110, 1.4},
    };
    for (const DrawingCase& c : drawings) {
        const cv::Size size = ScaledSize(c.percent);
        CKVXMemoryDeviceContext dc(size.width, size.height);
        Picture().Draw(&dc, 0, 0, size.width, size.height, nullptr, c.smooth);
        cv::Mat resized;
        cv::resize(PictureMat(), resized, size, 0, 0, c.interpolation);
        std::vector<BYTE> ours, reference;
        for (int y = 0; y < size.height; ++y) {
            const uint8_t* row = resized.ptr<uint8_t>(size.height - 1 - y);
            for (int x = 0; x < size.width; ++x) {
                const COLORREF color = dc.GetPixel(x, y);
                ours.insert(ours.end(), {GetBValue(color), GetGValue(color), GetRValue(color)});
                for (int channel = 0; channel < 3; ++channel)
                    reference.push_back(static_cast<BYTE>((row[4 * x + channel] * row[4 * x + 3] + 127) / 255));
            }
        }
        RequireClosePixels(c.what, PixelsOf(ours.data(), size.width, size.height, 3, size.width * 3),
                           PixelsOf(reference.data(), size.width, size.height, 3, size.width * 3), c.largest, c.mean);
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
    CheckSameOutputs();
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
