// Decoding from memory with our codecs against the libraries' own simplified
// decoders on the same bytes: a 4000 x 3000 JPEG (libjpeg-turbo's
// tjDecompress2, blue-green-red output), an RGBA PNG (libpng's png_image
// API, BGRA output) and a 24-bit BMP (Qt's QImage). Prints the ratios.

#include <benchmark/benchmark.h>

#include <png.h>
#include <turbojpeg.h>

#include <QByteArray>
#include <QImage>

#include <cstdlib>
#include <memory>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "bench/RatioReporter.h"

namespace {

using Bytes = std::vector<BYTE>;

// A photograph-like picture: smooth gradients with fine texture.
void Paint(CKVXImage& image) {
    const DWORD width = image.GetWidth();
    for (DWORD y = 0; y < image.GetHeight(); ++y) {
        BYTE* row = image.GetBits(y);
        for (DWORD x = 0; x < width; ++x) {
            const unsigned noise = (x * 2654435761u ^ y * 40503u) >> 28;
            row[3 * x] = static_cast<BYTE>(x * 255 / width + noise);
            row[3 * x + 1] = static_cast<BYTE>(y * 255 / image.GetHeight());
            row[3 * x + 2] = static_cast<BYTE>((x + y) / 16 + noise);
        }
    }
}

Bytes Encode(CKVXImage& image, DWORD type) {
    BYTE* buffer = nullptr;
    long size = 0;
    Bytes out;
    if (image.Encode(buffer, size, type)) out.assign(buffer, buffer + size);
    CKVXImage::FreeMemory(buffer);
    return out;
}

const Bytes& JpegFile() {
    static const Bytes file = [] {
        CKVXImage image(4000, 3000, 24);
        Paint(image);
        return Encode(image, CKVXImage::ImageTypeJpg);
    }();
    return file;
}

const Bytes& PngFile() {
    static const Bytes file = [] {
        CKVXImage image(2000, 1500, 24);
        Paint(image);
        image.AlphaCreate();
        for (DWORD y = 0; y < 1500; ++y)
            for (DWORD x = 0; x < 2000; ++x) image.AlphaSet(x, y, static_cast<BYTE>(x ^ y));
        return Encode(image, CKVXImage::ImageTypePng);
    }();
    return file;
}

const Bytes& BmpFile() {
    static const Bytes file = [] {
        CKVXImage image(4000, 3000, 24);
        Paint(image);
        return Encode(image, CKVXImage::ImageTypeBmp);
    }();
    return file;
}

void DecodeOurs(benchmark::State& state, const Bytes& file, DWORD type) {
    for (auto _ : state) {
        CKVXImage image(file.data(), static_cast<DWORD>(file.size()), type);
        if (!image.IsValid()) state.SkipWithError(image.GetLastError());
        benchmark::DoNotOptimize(image.GetBits(0));
    }
}

void OursJpeg(benchmark::State& state) {
    DecodeOurs(state, JpegFile(), CKVXImage::ImageTypeJpg);
}

void TurboJpeg(benchmark::State& state) {
    const Bytes& file = JpegFile();
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        // A fresh picture each time, as our decoder makes one.
        std::unique_ptr<unsigned char[]> pixels(new unsigned char[4000 * 3000 * 3]);
        if (tjDecompress2(handle, file.data(), file.size(), pixels.get(), 4000, 0, 3000, TJPF_BGR, 0) != 0)
            state.SkipWithError(tjGetErrorStr2(handle));
        benchmark::DoNotOptimize(pixels.get());
    }
    tjDestroy(handle);
}

void OursPng(benchmark::State& state) {
    DecodeOurs(state, PngFile(), CKVXImage::ImageTypePng);
}

void LibpngSimplified(benchmark::State& state) {
    const Bytes& file = PngFile();
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) state.SkipWithError(image.message);
        image.format = PNG_FORMAT_BGRA;
        std::unique_ptr<unsigned char[]> pixels(new unsigned char[PNG_IMAGE_SIZE(image)]);
        if (!png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr)) state.SkipWithError(image.message);
        benchmark::DoNotOptimize(pixels.get());
    }
}

void OursBmp(benchmark::State& state) {
    DecodeOurs(state, BmpFile(), CKVXImage::ImageTypeBmp);
}

void QtBmp(benchmark::State& state) {
    const Bytes& file = BmpFile();
    for (auto _ : state) {
        QImage image = QImage::fromData(file.data(), static_cast<int>(file.size()), "BMP");
        if (image.isNull()) state.SkipWithError("Qt cannot read the bitmap");
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(OursJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(TurboJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(OursPng)->Unit(benchmark::kMillisecond);
BENCHMARK(LibpngSimplified)->Unit(benchmark::kMillisecond);
BENCHMARK(OursBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(QtBmp)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("JPEG 4000x3000", "OursJpeg", "TurboJpeg");
    reporter.PrintRatio("RGBA PNG 2000x1500", "OursPng", "LibpngSimplified");
    reporter.PrintRatio("BMP 4000x3000", "OursBmp", "QtBmp");
    benchmark::Shutdown();
    return 0;
}
