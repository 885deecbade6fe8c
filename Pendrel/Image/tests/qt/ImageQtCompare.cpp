#include "Pendrel/Image/tests/qt/ImageQtCompare.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace kvximageqt {

namespace {

struct Rgb {
    int red, green, blue;
};

// What a PNG file tells about compositing: its background (bKGD at 8 bits,
// or grey 192) and its gamma (gAMA, 0 when absent).
struct PngFacts {
    Rgb background{192, 192, 192};
    double gamma = 0;
};

uint32_t BigEndian32(const BYTE* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

PngFacts ReadPngFacts(const Bytes& file) {
    PngFacts facts;
    if (file.size() < 33 || std::memcmp(file.data() + 1, "PNG", 3) != 0) return facts;
    const int bitDepth = file[24];
    const int colorType = file[25];
    std::vector<Rgb> palette;
    auto level = [&](const BYTE* p) {
        const int value = (p[0] << 8) | p[1];
        if (bitDepth == 16) return value >> 8;
        if (bitDepth < 8 && colorType == 0) return value * 255 / ((1 << bitDepth) - 1);
        return value;
    };
    for (size_t i = 8; i + 12 <= file.size();) {
        const size_t length = BigEndian32(file.data() + i);
        if (i + 12 + length > file.size()) break;
        const BYTE* data = file.data() + i + 8;
        const char* type = reinterpret_cast<const char*>(file.data() + i + 4);
        if (std::memcmp(type, "PLTE", 4) == 0) {
            for (size_t k = 0; k + 2 < length; k += 3) palette.push_back({data[k], data[k + 1], data[k + 2]});
        } else if (std::memcmp(type, "bKGD", 4) == 0) {
            if (colorType == 3 && length >= 1 && data[0] < palette.size()) facts.background = palette[data[0]];
            else if ((colorType == 0 || colorType == 4) && length >= 2)
                facts.background = {level(data), level(data), level(data)};
            else if (length >= 6) facts.background = {level(data), level(data + 2), level(data + 4)};
        } else if (std::memcmp(type, "gAMA", 4) == 0 && length == 4) {
            facts.gamma = BigEndian32(data) / 100000.0;
        }
        i += 12 + length;
    }
    return facts;
}

// One entry of libpng's 8-bit gamma tables.
int GammaCorrect(int value, double exponent) {
    return static_cast<int>(std::floor(255.0 * std::pow(value / 255.0, exponent) + 0.5));
}

// Our picture's opacity at (x, y) in the way each kind of transparency
// stores it, or -1 when the picture has none (it is opaque or composited).
int OurAlpha(CKVXImage& ours, long x, long y) {
    if (ours.AlphaIsValid()) return ours.AlphaGet(x, y);
    if (ours.GetPalette() && ours.AlphaPaletteIsEnabled()) return ours.GetPixelColor(x, y).rgbReserved;
    if (ours.IsTransparent()) return ours.IsTransparent(x, y) ? 0 : 255;
    return -1;
}

} // namespace

int CompositeLikeLibpng(int color, int alpha, int background, double fileGamma) {
    if (alpha == 255) return color;
    if (alpha == 0) return background;
    // Without a stated gamma, or one within libpng's threshold of 1, the
    // stored values are blended as they are.
    if (fileGamma <= 0 || std::fabs(fileGamma - 1.0) <= 0.05)
        return (color * alpha + background * (255 - alpha) + 127) / 255;
    // Else both go to linear light through 8-bit tables, are blended there
    // (libpng's rounding) and come back with the file's gamma, which libpng
    // takes for the screen's as well.
    const int linearColor = GammaCorrect(color, 1.0 / fileGamma);
    const int linearBackground = GammaCorrect(background, 1.0 / fileGamma);
    const int sum = linearColor * alpha + linearBackground * (255 - alpha) + 128;
    return GammaCorrect((sum + (sum >> 8)) >> 8, fileGamma);
}

QImage QtDecode(const Bytes& file) {
    QByteArray bytes(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    return reader.read();
}

std::string Difference(CKVXImage& ours, const QImage& reference, int tolerance, const Bytes& file) {
    if (static_cast<long>(ours.GetWidth()) != reference.width() ||
        static_cast<long>(ours.GetHeight()) != reference.height())
        return "size " + std::to_string(ours.GetWidth()) + "x" + std::to_string(ours.GetHeight()) + " against " +
               std::to_string(reference.width()) + "x" + std::to_string(reference.height());
    const PngFacts facts = ReadPngFacts(file);
    const QImage argb = reference.convertToFormat(QImage::Format_ARGB32);
    const long height = argb.height();
    long mismatches = 0;
    std::string first;
    for (long y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(static_cast<int>(y)));
        for (long x = 0; x < argb.width(); ++x) {
            const QRgb q = line[x];
            const long row = height - 1 - y;
            const RGBQUAD o = ours.GetPixelColor(x, row, false);
            const int alpha = OurAlpha(ours, x, row);
            const int qa = qAlpha(q);
            Rgb expected{qRed(q), qGreen(q), qBlue(q)};
            bool compareColour = true;
            bool same = true;
            if (alpha >= 0) {
                same = std::abs(alpha - qa) <= 1;
                compareColour = qa > 0 && alpha > 0;
            } else {
                const Rgb& background = facts.background;
                expected = {CompositeLikeLibpng(expected.red, qa, background.red, facts.gamma),
                            CompositeLikeLibpng(expected.green, qa, background.green, facts.gamma),
                            CompositeLikeLibpng(expected.blue, qa, background.blue, facts.gamma)};
            }
            if (compareColour)
                same = same && std::abs(o.rgbRed - expected.red) <= tolerance &&
                       std::abs(o.rgbGreen - expected.green) <= tolerance &&
                       std::abs(o.rgbBlue - expected.blue) <= tolerance;
            if (!same && mismatches++ == 0)
                first = "at " + std::to_string(x) + "," + std::to_string(y) + " ours " + std::to_string(o.rgbRed) +
                        "," + std::to_string(o.rgbGreen) + "," + std::to_string(o.rgbBlue) + " a" +
                        std::to_string(alpha) + ", Qt " + std::to_string(qRed(q)) + "," + std::to_string(qGreen(q)) +
                        "," + std::to_string(qBlue(q)) + " a" + std::to_string(qa) + ", expected " +
                        std::to_string(expected.red) + "," + std::to_string(expected.green) + "," +
                        std::to_string(expected.blue);
        }
    }
    if (mismatches == 0) return {};
    return std::to_string(mismatches) + " pixels differ, first " + first;
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace kvximageqt
