// Files written by the GIF encoder, read by Qt's GIF reader: the same colour
// at every pixel as the picture that was written.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <string>
#include <vector>

#include "Pendrel/Image/tests/GifTestSupport.h"

using namespace kvxgiftest;

namespace {

QImage ReadWithQt(const std::vector<BYTE>& bytes) {
    QImage image;
    image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "GIF");
    return image;
}

// Pixels whose colour differs between our picture and Qt's reading.
long ColorMismatches(CKVXImage& expected, const QImage& read, std::string& where) {
    long count = 0;
    const long height = static_cast<long>(expected.GetHeight());
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < static_cast<long>(expected.GetWidth()); ++x) {
            const RGBQUAD ours = expected.GetPixelColor(x, y, false);
            const QRgb theirs = read.pixel(static_cast<int>(x), static_cast<int>(height - 1 - y));
            if (qRed(theirs) == ours.rgbRed && qGreen(theirs) == ours.rgbGreen && qBlue(theirs) == ours.rgbBlue)
                continue;
            if (count++ < 3) where += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
    }
    return count;
}

TEST(GifQtReader, QtHasAGifReader) {
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("gif"));
}

TEST(GifQtReader, QtReadsEachSchemeAndDepth) {
    for (const DWORD scheme : {SchemeLzw, SchemeNone, SchemeRle}) {
        for (const DWORD bpp : {1u, 4u, 8u}) {
            SCOPED_TRACE(std::string(SchemeName(scheme)) + ", " + std::to_string(bpp) + " bits");
            auto image = MakeTestImage(480, 320, bpp, scheme * 16 + bpp);
            const std::vector<BYTE> bytes = EncodeGif(*image, scheme);
            ASSERT_FALSE(bytes.empty());
            const QImage read = ReadWithQt(bytes);
            ASSERT_FALSE(read.isNull());
            ASSERT_EQ(read.width(), 480);
            ASSERT_EQ(read.height(), 320);
            std::string where;
            EXPECT_EQ(ColorMismatches(*image, read, where), 0) << where;
        }
    }
}

TEST(GifQtReader, QtReadsTheTilesOfATrueColourImage) {
    CKVXImage image(40, 20, 24);
    Random random(5);
    for (long y = 0; y < 20; ++y)
        for (long x = 0; x < 40; ++x)
            image.SetPixelColor(x, y, RGBQUAD{static_cast<BYTE>(random.Next(256)), static_cast<BYTE>(x * 6),
                                              static_cast<BYTE>(y * 12), 0});
    const std::vector<BYTE> bytes = EncodeGif(image);
    ASSERT_FALSE(bytes.empty());
    // Qt reads the tiles as frames, each laid onto the ones before it.
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "GIF");
    QImage read;
    int frames = 0;
    while (reader.canRead()) {
        read = reader.read();
        if (read.isNull()) break;
        ++frames;
    }
    EXPECT_EQ(frames, 6);
    ASSERT_EQ(read.width(), 40);
    std::string where;
    EXPECT_EQ(ColorMismatches(image, read, where), 0) << where;
}

} // namespace
