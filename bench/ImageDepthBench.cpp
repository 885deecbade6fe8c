// Palette mapping and dithering of a 1920 x 1080 photo-like 24-bit picture
// against ImageMagick's Magick++ (one thread) on the same pixels: mapping
// onto the 256-entry standard palette without and with Floyd-Steinberg
// diffusion, and black-and-white dithering of the grey picture by error
// diffusion and by the 4 x 4 ordered matrix. The pictures are copied before
// each call, untimed. Prints the time ratios at the end.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// Before Magick++: its headers define macros named like some of the image
// object's members (GetPixelIndex, SetPixelIndex, ...).
#include "Pendrel/Image/KVXImage.h"
#include "bench/ImageBenchSupport.h"
#include "bench/PixelCompare.h"
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

// Blue, green and red of every pixel in memory order (bottom row first, as
// the Magick++ image was made), three bytes a pixel.
std::vector<BYTE> ColoursOf(CKVXImage& image) {
    std::vector<BYTE> bytes;
    bytes.reserve(size_t(kWidth) * kHeight * 3);
    for (long y = 0; y < kHeight; ++y)
        for (long x = 0; x < kWidth; ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            bytes.insert(bytes.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
        }
    return bytes;
}
std::vector<BYTE> ColoursOf(Magick::Image& image) {
    std::vector<BYTE> bytes(size_t(kWidth) * kHeight * 3);
    image.write(0, 0, kWidth, kHeight, "BGR", Magick::CharPixel, bytes.data());
    return bytes;
}

uint32_t Key(const BYTE* c) { return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16; }

// Stops the run when a pixel's colour is not one of the palette's.
void RequireOnlyPalette(const std::string& what, const std::vector<BYTE>& colours, const std::vector<BYTE>& palette) {
    std::vector<bool> allowed(1 << 24);
    for (size_t i = 0; i + 3 <= palette.size(); i += 3) allowed[Key(&palette[i])] = true;
    for (size_t i = 0; i + 3 <= colours.size(); i += 3)
        if (!allowed[Key(&colours[i])]) {
            std::fprintf(stderr, "different output: %s (pixel %zu is not a palette colour)\n", what.c_str(), i / 3);
            std::exit(1);
        }
}

int Distance(const BYTE* a, const BYTE* b) {
    int sum = 0;
    for (int i = 0; i < 3; ++i) sum += (int(a[i]) - int(b[i])) * (int(a[i]) - int(b[i]));
    return sum;
}

// The mean colour of every 16 x 16 block: what a dithered picture must keep.
constexpr int kBlock = 16;
std::vector<BYTE> BlockMeans(const std::vector<BYTE>& colours) {
    std::vector<BYTE> means;
    for (int by = 0; by + kBlock <= kHeight; by += kBlock)
        for (int bx = 0; bx + kBlock <= kWidth; bx += kBlock)
            for (int channel = 0; channel < 3; ++channel) {
                int sum = 0;
                for (int y = by; y < by + kBlock; ++y)
                    for (int x = bx; x < bx + kBlock; ++x) sum += colours[(size_t(y) * kWidth + x) * 3 + channel];
                means.push_back(static_cast<BYTE>((sum + kBlock * kBlock / 2) / (kBlock * kBlock)));
            }
    return means;
}
SPixels BlockView(const std::vector<BYTE>& means) {
    return PixelsOf(means.data(), kWidth / kBlock, kHeight / kBlock, 3, (kWidth / kBlock) * 3);
}

// Before timing: both sides must map onto the same colours. Without
// diffusion the two map some pixels differently (8.5% of this picture, to
// another of two palette colours about as near), so what must agree is that
// every pixel of both is a palette colour and none of ours is farther from
// the original than the reference's. Error diffusion and ordered dithering
// spread the error in their own patterns, so pixels cannot be compared;
// both must use only the palette's colours (black and white for the
// dithering), and the mean colour of every 16 x 16 block, which the
// dithering keeps, must be close on both sides: within bounds just above the
// differences measured (largest channel difference, mean): diffused mapping
// 10 and 2.2, error diffusion 28 and 8.1, ordered 48 and 13.1. The two
// sides' grey pictures already differ by 26 and 8.3 (other grey weights),
// and each error diffusion keeps its own grey's block means within about 1;
// the ordered matrices differ in their thresholds (ours keeps its grey's
// block means within 7.8 on average, the reference within 3.9).
void CheckSameOutputs() {
    Magick::ResourceLimits::thread(1);
    const std::vector<BYTE> original = ColoursOf(Picture());
    std::vector<BYTE> standard;
    {
        CKVXImage holder(1, 1, 8);
        holder.SetStdPalette();
        for (DWORD i = 0; i < 256; ++i) {
            const RGBQUAD entry = holder.GetPaletteColor(static_cast<BYTE>(i));
            standard.insert(standard.end(), {entry.rgbBlue, entry.rgbGreen, entry.rgbRed});
        }
    }
    const std::vector<BYTE> blackWhite = {0, 0, 0, 255, 255, 255};
    struct Case {
        const char* what;
        std::function<void(CKVXImage&)> ours;
        std::function<void(Magick::Image&)> reference;
        const std::vector<BYTE>* palette;
        int largest; // block means; -1: pixel by pixel, ours never the farther
        double mean;
    };
    const Case cases[] = {
        {"DecreaseBpp(8)", [](CKVXImage& i) { i.DecreaseBpp(8, false); },
         [](Magick::Image& i) { i.map(StdPaletteMagick(), false); }, &standard, -1, 0},
        {"DecreaseBpp(8) diffused", [](CKVXImage& i) { i.DecreaseBpp(8, true); },
         [](Magick::Image& i) {
             i.quantizeDitherMethod(MagickCore::FloydSteinbergDitherMethod);
             i.map(StdPaletteMagick(), true);
         },
         &standard, 12, 2.4},
        {"Dither error diffusion", [](CKVXImage& i) { i.Dither(0); },
         [](Magick::Image& i) {
             i.type(Magick::GrayscaleType);
             i.quantizeDitherMethod(MagickCore::FloydSteinbergDitherMethod);
             i.map(BlackWhiteMagick(), true);
         },
         &blackWhite, 32, 8.5},
        {"Dither ordered", [](CKVXImage& i) { i.Dither(1); },
         [](Magick::Image& i) {
             i.type(Magick::GrayscaleType);
             i.orderedDither("o4x4");
         },
         &blackWhite, 52, 14},
    };
    for (const Case& c : cases) {
        CKVXImage ours(Picture());
        c.ours(ours);
        Magick::Image reference(PictureMagick());
        reference.modifyImage();
        c.reference(reference);
        const std::vector<BYTE> oursColours = ColoursOf(ours);
        const std::vector<BYTE> referenceColours = ColoursOf(reference);
        RequireOnlyPalette(std::string(c.what) + ", ours", oursColours, *c.palette);
        RequireOnlyPalette(std::string(c.what) + ", reference", referenceColours, *c.palette);
        if (c.largest >= 0) {
            RequireClosePixels((std::string(c.what) + ", 16 x 16 block means").c_str(),
                               BlockView(BlockMeans(oursColours)), BlockView(BlockMeans(referenceColours)), c.largest,
                               c.mean);
            continue;
        }
        size_t differing = 0, oursFarther = 0;
        for (size_t i = 0; i < original.size(); i += 3) {
            if (Key(&oursColours[i]) == Key(&referenceColours[i])) continue;
            ++differing;
            if (Distance(&oursColours[i], &original[i]) > Distance(&referenceColours[i], &original[i])) ++oursFarther;
        }
        RequireSameOutput((std::string(c.what) + ", pixels where ours is the farther from the original").c_str(),
                          oursFarther, 0);
        std::printf("  %s: %zu pixels of %d differ, ours the nearer or as near in each\n", c.what, differing,
                    kWidth * kHeight);
    }
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
    CheckSameOutputs();
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
