// Cross-decoding with Qt's image readers: the files our encoders and the
// fixture writers make, and every PNG and JPEG file under /usr/share, decode
// to the same pixels with our codecs as with QImage.
//
// Where our PNG decoder composites transparency (files without an alpha
// channel of their own, such as 8-bit grey with alpha or a colour key), the
// expected colour is Qt's pixel composited onto the file's background colour
// or grey 192.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/CodecTestSupport.h"

using kvxcodectest::Bytes;

namespace {

struct Rgb {
    int red, green, blue;
};

// The background a PNG file's transparency is composited on: its bKGD colour
// at 8 bits, or grey 192.
Rgb PngBackground(const Bytes& file) {
    Rgb background{192, 192, 192};
    if (file.size() < 33 || std::memcmp(file.data() + 1, "PNG", 3) != 0) return background;
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
        const size_t length = (size_t(file[i]) << 24) | (size_t(file[i + 1]) << 16) | (size_t(file[i + 2]) << 8) |
                              file[i + 3];
        if (i + 12 + length > file.size()) break;
        const BYTE* data = file.data() + i + 8;
        if (std::memcmp(file.data() + i + 4, "PLTE", 4) == 0) {
            for (size_t k = 0; k + 2 < length; k += 3) palette.push_back({data[k], data[k + 1], data[k + 2]});
        } else if (std::memcmp(file.data() + i + 4, "bKGD", 4) == 0) {
            if (colorType == 3 && length >= 1 && data[0] < palette.size()) background = palette[data[0]];
            else if ((colorType == 0 || colorType == 4) && length >= 2) background = {level(data), level(data), level(data)};
            else if (length >= 6) background = {level(data), level(data + 2), level(data + 4)};
        }
        i += 12 + length;
    }
    return background;
}

int Composite(int color, int alpha, int background) {
    return (color * alpha + background * (255 - alpha) + 127) / 255;
}

// Our picture's opacity at (x, y) in the way each kind of transparency
// stores it, or -1 when the picture has none (it is opaque or composited).
int OurAlpha(CKVXImage& ours, long x, long y) {
    if (ours.AlphaIsValid()) return ours.AlphaGet(x, y);
    if (ours.GetPalette() && ours.AlphaPaletteIsEnabled()) return ours.GetPixelColor(x, y).rgbReserved;
    if (ours.IsTransparent()) return ours.IsTransparent(x, y) ? 0 : 255;
    return -1;
}

// Empty when both pictures agree, else a description of the first mismatch
// and the count.
std::string Difference(CKVXImage& ours, const QImage& reference, int tolerance, Rgb background) {
    if (static_cast<long>(ours.GetWidth()) != reference.width() ||
        static_cast<long>(ours.GetHeight()) != reference.height())
        return "size " + std::to_string(ours.GetWidth()) + "x" + std::to_string(ours.GetHeight()) + " against " +
               std::to_string(reference.width()) + "x" + std::to_string(reference.height());
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
            } else if (qa < 255) {
                expected = {Composite(expected.red, qa, background.red), Composite(expected.green, qa, background.green),
                            Composite(expected.blue, qa, background.blue)};
            }
            if (compareColour)
                same = same && std::abs(o.rgbRed - expected.red) <= tolerance &&
                       std::abs(o.rgbGreen - expected.green) <= tolerance &&
                       std::abs(o.rgbBlue - expected.blue) <= tolerance;
            if (!same && mismatches++ == 0)
                first = "at " + std::to_string(x) + "," + std::to_string(y) + " ours " + std::to_string(o.rgbRed) +
                        "," + std::to_string(o.rgbGreen) + "," + std::to_string(o.rgbBlue) + " a" +
                        std::to_string(alpha) + ", Qt " + std::to_string(qRed(q)) + "," + std::to_string(qGreen(q)) +
                        "," + std::to_string(qBlue(q)) + " a" + std::to_string(qa);
        }
    }
    if (mismatches == 0) return {};
    return std::to_string(mismatches) + " pixels differ, first " + first;
}

QImage QtDecode(const Bytes& file) {
    QByteArray bytes(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    return reader.read();
}

// Decodes the bytes with our codec of `type` and with Qt, and compares.
void ExpectSameAsQt(const Bytes& file, DWORD type, const std::string& name, int tolerance = 1) {
    ASSERT_FALSE(file.empty()) << name;
    CKVXImage ours;
    ASSERT_TRUE(kvxcodectest::DecodeBytes(ours, file, type)) << name << ": " << ours.GetLastError();
    const QImage reference = QtDecode(file);
    ASSERT_FALSE(reference.isNull()) << name << ": Qt cannot read it";
    EXPECT_EQ(Difference(ours, reference, tolerance, PngBackground(file)), "") << name;
}

// ----- Files the tests make ------------------------------------------------------

void FillPattern(CKVXImage& image) {
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
            if (image.GetBpp() == 24) image.SetPixelColor(x, y, RGBQUAD{BYTE(x * 9), BYTE(y * 13), BYTE(x * y), 0});
            else image.SetPixelIndex(x, y, static_cast<BYTE>((x + 2 * y) % 7));
        }
}

TEST(ImageQtCross, OurEncodersAtEveryDepth) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CKVXImage image(13, 7, bpp);
        if (bpp < 24) image.SetStdPalette();
        if (bpp == 1) image.SetPaletteColor(1, RGBQUAD{200, 100, 50, 0});
        FillPattern(image);
        const std::string depth = std::to_string(bpp) + " bpp";
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypeBmp), CKVXImage::ImageTypeBmp,
                       "BMP " + depth);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypePng), CKVXImage::ImageTypePng,
                       "PNG " + depth);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypeIco), CKVXImage::ImageTypeIco,
                       "ICO " + depth);
        if (bpp < 24) image.SetTransIndex(2);
        else image.AlphaCreate(), image.AlphaSet(3, 4, 0), image.AlphaSet(5, 1, 90);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypePng), CKVXImage::ImageTypePng,
                       "transparent PNG " + depth);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypeIco), CKVXImage::ImageTypeIco,
                       "transparent ICO " + depth);
    }
    CKVXImage photo(40, 24, 24);
    FillPattern(photo);
    for (DWORD options : {0u, 0x10u}) {
        photo.SetCodecOption(options, CKVXImage::ImageTypeJpg);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(photo, CKVXImage::ImageTypeJpg), CKVXImage::ImageTypeJpg,
                       "JPEG options " + std::to_string(options), 2);
    }
    photo.GrayScale();
    ExpectSameAsQt(kvxcodectest::EncodeToBytes(photo, CKVXImage::ImageTypeJpg), CKVXImage::ImageTypeJpg, "grey JPEG",
                   2);
}

TEST(ImageQtCross, PngFixturesOfEveryColourType) {
    struct Form {
        int bitDepth, colorType, channels;
        bool trns, background, interlaced;
    };
    const Form forms[] = {{1, 0, 1, false, false, false}, {2, 0, 1, false, false, true},  {4, 0, 1, false, false, false},
                          {8, 0, 1, true, false, false},  {16, 0, 1, false, false, false}, {8, 2, 3, false, false, true},
                          {8, 2, 3, true, true, false},   {16, 2, 3, false, false, false}, {2, 3, 1, true, false, false},
                          {8, 3, 1, true, true, true},    {8, 4, 2, false, false, false},  {8, 4, 2, false, true, false},
                          {16, 4, 2, false, false, true}, {8, 6, 4, false, false, true},   {16, 6, 4, false, false, false}};
    for (const Form& form : forms) {
        kvxcodectest::PngSpec spec;
        spec.width = 9;
        spec.height = 6;
        spec.bitDepth = form.bitDepth;
        spec.colorType = form.colorType;
        spec.interlaced = form.interlaced;
        const size_t rowBytes = (spec.width * form.bitDepth * form.channels + 7) / 8;
        for (png_uint_32 y = 0; y < spec.height; ++y) {
            Bytes row(rowBytes);
            for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<BYTE>(i * 41 + y * 97 + 3);
            spec.rows.push_back(row);
        }
        if (form.colorType == 3) {
            for (int i = 0; i < (1 << form.bitDepth); ++i)
                spec.palette.push_back(png_color{BYTE(i * 7), BYTE(255 - i), BYTE(i * 3)});
            if (form.trns) spec.transAlpha = {0, 128, 255, 30};
        } else if (form.trns) {
            spec.hasTransColor = true;
            spec.transColor = png_color_16{0, spec.rows[0][0], spec.rows[0][1], spec.rows[0][2], spec.rows[0][0]};
        }
        if (form.background) {
            spec.hasBackground = true;
            spec.background = png_color_16{1, 30, 60, 90, 50};
        }
        const std::string name = "PNG depth " + std::to_string(form.bitDepth) + " type " +
                                  std::to_string(form.colorType);
        ExpectSameAsQt(kvxcodectest::WritePng(spec), CKVXImage::ImageTypePng, name);
    }
}

TEST(ImageQtCross, JpegAndBmpFixtures) {
    kvxcodectest::JpegSpec jpeg;
    jpeg.width = 24;
    jpeg.height = 16;
    for (int components : {1, 3, 4}) {
        jpeg.components = components;
        jpeg.colorSpace = components == 1 ? JCS_GRAYSCALE : (components == 3 ? JCS_RGB : JCS_CMYK);
        jpeg.samples.clear();
        for (JDIMENSION i = 0; i < jpeg.width * jpeg.height * components; ++i)
            jpeg.samples.push_back(static_cast<BYTE>(i * 13 % 256));
        ExpectSameAsQt(kvxcodectest::WriteJpeg(jpeg), CKVXImage::ImageTypeJpg,
                       "JPEG of " + std::to_string(components) + " components", 2);
    }

    // RLE8 and 5-6-5 bitmaps.
    const Bytes rle8 = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0,
                        1, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0,
                        0, 0, 4, 1, 0, 0, 0, 3, 1, 0, 1, 0, 1, 0, 0, 1};
    ExpectSameAsQt(rle8, CKVXImage::ImageTypeBmp, "RLE8 BMP");
    const Bytes bitfields = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                             1, 0, 16, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0, 0x1F, 0xF8, 0xE0, 0x07};
    ExpectSameAsQt(bitfields, CKVXImage::ImageTypeBmp, "5-6-5 BMP", 4);
}

// ----- Every PNG and JPEG file under /usr/share -------------------------------------

const std::vector<std::filesystem::path>& ShareFiles() {
    static const std::vector<std::filesystem::path> files = [] {
        std::vector<std::filesystem::path> found;
        std::error_code error;
        const auto options = std::filesystem::directory_options::skip_permission_denied;
        for (auto it = std::filesystem::recursive_directory_iterator("/usr/share", options, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (error) break;
            if (!it->is_regular_file(error)) continue;
            std::string extension = it->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
            if (extension == ".png" || extension == ".jpg" || extension == ".jpeg") found.push_back(it->path());
        }
        std::sort(found.begin(), found.end());
        return found;
    }();
    return files;
}

constexpr int kShards = 8;

class ImageQtShareSweep : public ::testing::TestWithParam<int> {};

TEST_P(ImageQtShareSweep, FilesDecodeLikeQt) {
    const std::vector<std::filesystem::path>& files = ShareFiles();
    ASSERT_GE(files.size(), 300u) << "too few PNG and JPEG files under /usr/share";
    int checked = 0;
    for (size_t i = static_cast<size_t>(GetParam()); i < files.size(); i += kShards) {
        std::ifstream in(files[i], std::ios::binary);
        const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const QImage reference = QtDecode(file);
        // Files that Qt cannot read either (broken or misnamed) prove nothing.
        if (reference.isNull()) continue;
        CKVXImage ours;
        if (!kvxcodectest::DecodeBytes(ours, file, CKVXImage::ImageTypeUnknown)) {
            ADD_FAILURE() << files[i] << ": " << ours.GetLastError();
            continue;
        }
        const bool jpeg = ours.GetType() == CKVXImage::ImageTypeJpg;
        EXPECT_EQ(Difference(ours, reference, jpeg ? 2 : 1, PngBackground(file)), "") << files[i];
        ++checked;
    }
    EXPECT_GT(checked, 0);
    RecordProperty("checked", checked);
}

INSTANTIATE_TEST_SUITE_P(Shards, ImageQtShareSweep, ::testing::Range(0, kShards));

} // namespace
