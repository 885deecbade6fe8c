// Decoding from memory with our codecs against the libraries' own simplified
// decoders on the same bytes: a 4000 x 3000 JPEG (libjpeg-turbo's
// tjDecompress2, blue-green-red output), an RGBA PNG (libpng's png_image
// API, BGRA output) and a 24-bit BMP (Qt's QImage). Prints the ratios.

#include <benchmark/benchmark.h>

#include <png.h>
#include <turbojpeg.h>

#include <QByteArray>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "bench/PixelCompare.h"
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

// Before timing: both sides must decode the same pixels. PNG and BMP are
// lossless, so their pixels (with alpha for the PNG) must be equal. JPEG
// decoders may round their inverse transforms and colour conversion
// differently, so ours need only stay within a small bound of TurboJPEG's:
// measured, ours gives exactly TurboJPEG's pixels; the bound of 1 (mean
// 0.01) leaves room for a library built with another inverse transform and
// still stops a decoder that gets a block or a colour wrong.
void CheckSameOutputs() {
    const Bytes& jpeg = JpegFile();
    CKVXImage oursJpeg(jpeg.data(), static_cast<DWORD>(jpeg.size()), CKVXImage::ImageTypeJpg);
    std::vector<unsigned char> turbo(size_t(4000) * 3000 * 3);
    tjhandle handle = tjInitDecompress();
    const bool decoded = tjDecompress2(handle, jpeg.data(), jpeg.size(), turbo.data(), 4000, 0, 3000, TJPF_BGR, 0) == 0;
    tjDestroy(handle);
    if (!oursJpeg.IsValid() || !decoded) {
        std::fprintf(stderr, "different output: JPEG 4000x3000 (a decoder failed)\n");
        std::exit(1);
    }
    RequireClosePixels("JPEG 4000x3000 (blue, green, red)", PixelsOf(oursJpeg),
                       PixelsOf(turbo.data(), 4000, 3000, 3, 4000 * 3), 1, 0.01);

    const Bytes& png = PngFile();
    CKVXImage oursPng(png.data(), static_cast<DWORD>(png.size()), CKVXImage::ImageTypePng);
    std::vector<unsigned char> oursBgra;
    if (oursPng.IsValid() && oursPng.AlphaIsValid() && oursPng.GetBpp() == 24) {
        const long width = static_cast<long>(oursPng.GetWidth());
        const long height = static_cast<long>(oursPng.GetHeight());
        for (long y = height - 1; y >= 0; --y) {
            const BYTE* row = oursPng.GetBits(static_cast<DWORD>(y));
            for (long x = 0; x < width; ++x) {
                oursBgra.insert(oursBgra.end(), row + 3 * x, row + 3 * x + 3);
                oursBgra.push_back(oursPng.AlphaGet(x, y));
            }
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> libpng;
    if (png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        image.format = PNG_FORMAT_BGRA;
        libpng.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, libpng.data(), 0, nullptr)) libpng.clear();
    }
    RequireSameOutput("RGBA PNG 2000x1500 (blue, green, red, alpha)",
                      HashPixels(PixelsOf(oursBgra.data(), 2000, static_cast<int>(oursBgra.size() / 8000), 4, 8000)),
                      HashPixels(PixelsOf(libpng.data(), 2000, static_cast<int>(libpng.size() / 8000), 4, 8000)));

    const Bytes& bmp = BmpFile();
    CKVXImage oursBmp(bmp.data(), static_cast<DWORD>(bmp.size()), CKVXImage::ImageTypeBmp);
    const QImage qt = QImage::fromData(bmp.data(), static_cast<int>(bmp.size()), "BMP").convertToFormat(QImage::Format_BGR888);
    RequireSameOutput("BMP 4000x3000 (blue, green, red)", oursBmp.IsValid() ? HashPixels(PixelsOf(oursBmp)) : 0,
                      HashPixels(PixelsOf(qt.constBits(), qt.width(), qt.height(), 3, qt.bytesPerLine())));
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
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("JPEG 4000x3000", "OursJpeg", "TurboJpeg");
    reporter.PrintRatio("RGBA PNG 2000x1500", "OursPng", "LibpngSimplified");
    reporter.PrintRatio("BMP 4000x3000", "OursBmp", "QtBmp");
    benchmark::Shutdown();
    return 0;
}
