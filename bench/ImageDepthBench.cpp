// Palette mapping and dithering of a 1920 x 1080 photo-like 24-bit picture
// against ImageMagick's Magick++ (one thread) on the same pixels: mapping
// onto the 256-entry standard palette without and with Floyd-Steinberg
// diffusion, and black-and-white dithering of the grey picture by error
// diffusion and by the 4 x 4 ordered matrix. The pictures are copied before
// each call, untimed. Prints the time ratios at the end.

#include <benchmark/benchmark.h>

#include <string>

// Before Magick++: its headers define macros named like some of the image
// object's members (GetPixelIndex, SetPixelIndex, ...).
#include "Pendrel/Image/KVXImage.h"
#include "bench/ImageBenchSupport.h"
#include "bench/RatioReporter.h"

#include <Magick++.h>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

CKVXImage& Picture() {
    static CKVXImage picture = PhotoPicture(kWidth, kHeight);
    return picture;
}

// The same pixels as a Magick++ image (rows bottom-up, which changes
// nothing for these operations).
const Magick::Image& PictureMagick() {
    static Magick::Image image(kWidth, kHeight, "BGR", Magick::CharPixel, Picture().GetBits(0));
    return image;
}

// The 256-entry standard palette as a one-row Magick++ image to map onto.
const Magick::Image& StdPaletteMagick() {
    static Magick::Image palette = [] {
        CKVXImage holder(1, 1, 8);
        holder.SetStdPalette();
        std::string bytes;
        for (DWORD i = 0; i < 256; ++i) {
            const RGBQUAD entry = holder.GetPaletteColor(static_cast<BYTE>(i));
            bytes += static_cast<char>(entry.rgbBlue);
            bytes += static_cast<char>(entry.rgbGreen);
            bytes += static_cast<char>(entry.rgbRed);
        }
        return Magick::Image(256, 1, "BGR", Magick::CharPixel, bytes.data());
    }();
    return palette;
}

const Magick::Image& BlackWhiteMagick() {
    static Magick::Image palette = [] {
        const unsigned char bytes[] = {0, 0, 0, 255, 255, 255};
        return Magick::Image(2, 1, "RGB", Magick::CharPixel, bytes);
    }();
    return palette;
}

template <class Operation> void Ours(benchmark::State& state, Operation operation) {
    RunOnCopy(state, Picture(), operation);
}

template <class Operation> void Magick(benchmark::State& state, Operation operation) {
    Magick::ResourceLimits::thread(1);
    for (auto _ : state) {
        state.PauseTiming();
        Magick::Image copy(PictureMagick());
        copy.modifyImage();
        state.ResumeTiming();
        operation(copy);
        benchmark::DoNotOptimize(copy.columns());
    }
}

void OursDecrease(benchmark::State& state) {
    Ours(state, [](CKVXImage& image) { image.DecreaseBpp(8, false); });
}
void MagickMap(benchmark::State& state) {
    Magick(state, [](Magick::Image& image) { image.map(StdPaletteMagick(), false); });
}
void OursDecreaseDiffused(benchmark::State& state) {
    Ours(state, [](CKVXImage& image) { image.DecreaseBpp(8, true); });
}
void MagickMapDiffused(benchmark::State& state) {
    Magick(state, [](Magick::Image& image) {
        image.quantizeDitherMethod(MagickCore::FloydSteinbergDitherMethod);
        image.map(StdPaletteMagick(), true);
    });
}
void OursDitherDiffused(benchmark::State& state) {
    Ours(state, [](CKVXImage& image) { image.Dither(0); });
}
void MagickDitherDiffused(benchmark::State& state) {
    Magick(state, [](Magick::Image& image) {
        image.type(Magick::GrayscaleType);
        image.quantizeDitherMethod(MagickCore::FloydSteinbergDitherMethod);
        image.map(BlackWhiteMagick(), true);
    });
}
void OursDitherOrdered(benchmark::State& state) {
    Ours(state, [](CKVXImage& image) { image.Dither(1); });
}
void MagickDitherOrdered(benchmark::State& state) {
    Magick(state, [](Magick::Image& image) {
        image.type(Magick::GrayscaleType);
        image.orderedDither("o4x4");
    });
}

#define KVX_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()

KVX_BENCH(OursDecrease);
KVX_BENCH(MagickMap);
KVX_BENCH(OursDecreaseDiffused);
KVX_BENCH(MagickMapDiffused);
KVX_BENCH(OursDitherDiffused);
KVX_BENCH(MagickDitherDiffused);
KVX_BENCH(OursDitherOrdered);
KVX_BENCH(MagickDitherOrdered);

} // namespace

int main(int argc, char** argv) {
    Magick::InitializeMagick(*argv);
    KVXKeepFreedMemory();
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char* const pairs[][3] = {
        {"DecreaseBpp(8)", "OursDecrease/real_time", "MagickMap/real_time"},
        {"DecreaseBpp(8) diffused", "OursDecreaseDiffused/real_time", "MagickMapDiffused/real_time"},
        {"Dither error diffusion", "OursDitherDiffused/real_time", "MagickDitherDiffused/real_time"},
        {"Dither ordered", "OursDitherOrdered/real_time", "MagickDitherOrdered/real_time"},
    };
    for (const auto& pair : pairs) reporter.PrintRatio(pair[0], pair[1], pair[2]);
    benchmark::Shutdown();
    return 0;
}
