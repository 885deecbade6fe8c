// Resizing: the fixed methods of Resample with its box shrink, Resample2
// through the interpolation methods, the integer box filter QIShrink, and
// thumbnails centred on a canvas.

#include <gtest/gtest.h>

#include <cstring>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "Pendrel/Image/tests/ImageTransformSupport.h"

using kvximagetest::ExpectSamePicture;
using kvximagetest::FillPattern24;
using kvximagetest::FillRandom;
using kvximagetest::PixelValue;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

// A 24-bit row of grey levels.
CKVXImage GreyRow(std::initializer_list<BYTE> levels) {
    CKVXImage image(static_cast<DWORD>(levels.size()), 1, 24);
    long x = 0;
    for (BYTE level : levels) image.SetPixelColor(x++, 0, Quad(level, level, level));
    return image;
}

void ExpectRow(CKVXImage& image, std::initializer_list<BYTE> levels) {
    ASSERT_EQ(image.GetWidth(), levels.size());
    long x = 0;
    for (BYTE level : levels) {
        EXPECT_TRUE(SameQuad(image.GetPixelColor(x, 0, false), Quad(level, level, level)))
            << x << ": " << QuadText(image.GetPixelColor(x, 0, false));
        ++x;
    }
}

// A 24-bit picture all white, written straight into the rows.
void FillWhite(CKVXImage& image) {
    std::memset(image.GetBits(0), 255, static_cast<size_t>(image.GetEffWidth()) * image.GetHeight());
}

void FillUniform(CKVXImage& image, RGBQUAD color) {
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) image.SetPixelColor(x, y, color);
}

TEST(ImageResample, NearestTakesEveryOtherPixel) {
    for (DWORD bpp : {8u, 24u}) {
        CKVXImage source(4, 4, bpp);
        FillRandom(source, 11, false);
        CKVXImage result;
        ASSERT_TRUE(source.Resample(2, 2, 1, &result));
        ASSERT_EQ(result.GetWidth(), 2u);
        for (long y = 0; y < 2; ++y)
            for (long x = 0; x < 2; ++x)
                EXPECT_EQ(PixelValue(result, x, y), PixelValue(source, 2 * x, 2 * y)) << bpp << ": " << x << "," << y;
    }
}

TEST(ImageResample, BoxShrinkGivesTheMeanOfEachBlock) {
    CKVXImage source(4, 4, 24);
    for (long y = 0; y < 4; ++y)
        for (long x = 0; x < 4; ++x)
            source.SetPixelColor(x, y, Quad(static_cast<BYTE>(10 * x + 40 * y), static_cast<BYTE>(3 * x),
                                            static_cast<BYTE>(200 - 8 * y)));
    ASSERT_TRUE(source.Resample(2, 2, 0));
    for (long by = 0; by < 2; ++by)
        for (long bx = 0; bx < 2; ++bx) {
            const RGBQUAD expected = Quad(static_cast<BYTE>(20 * bx + 5 + 80 * by + 20), static_cast<BYTE>(6 * bx + 1),
                                          static_cast<BYTE>(200 - 16 * by - 4));
            EXPECT_TRUE(SameQuad(source.GetPixelColor(bx, by, false), expected))
                << bx << "," << by << ": " << QuadText(source.GetPixelColor(bx, by, false));
        }
}

TEST(ImageResample, BoxShrinkOfAHugeBlockStaysWhite) {
    // Each output pixel gathers 120 x 120 pixels: beyond a 32-bit sum.
    CKVXImage source(12000, 120, 24);
    FillWhite(source);
    ASSERT_TRUE(source.Resample(100, 1, 0));
    for (long x = 0; x < 100; ++x) ASSERT_TRUE(SameQuad(source.GetPixelColor(x, 0, false), Quad(255, 255, 255))) << x;
}

TEST(ImageResample, BoxShrinkAtUnevenScalesCoversTheWholeResult) {
    // Scales that a single-precision step does not hit exactly: every output
    // pixel of a uniform picture is written, and nothing past the result.
    for (long newWidth : {3L, 7L, 13L, 29L})
        for (long newHeight : {3L, 11L}) {
            CKVXImage source(97, 61, 24);
            FillUniform(source, Quad(200, 100, 50));
            ASSERT_TRUE(source.Resample(newWidth, newHeight, 0));
            for (long y = 0; y < newHeight; ++y)
                for (long x = 0; x < newWidth; ++x) {
                    const RGBQUAD c = source.GetPixelColor(x, y, false);
                    EXPECT_NEAR(c.rgbRed, 200, 4) << newWidth << "x" << newHeight << " at " << x << "," << y;
                    EXPECT_NEAR(c.rgbBlue, 50, 4) << newWidth << "x" << newHeight << " at " << x << "," << y;
                }
        }
}

TEST(ImageResample, BilinearEnlargement) {
    CKVXImage row = GreyRow({0, 100});
    ASSERT_TRUE(row.Resample(4, 1, 0));
    ExpectRow(row, {0, 50, 100, 100});

    // An indexed image takes the nearest palette entries.
    CKVXImage grey(2, 1, 8);
    grey.SetGrayPalette();
    grey.SetPixelIndex(1, 0, 100);
    ASSERT_TRUE(grey.Resample(4, 1, 0));
    const BYTE expected[] = {0, 50, 100, 100};
    for (long x = 0; x < 4; ++x) EXPECT_EQ(grey.GetPixelIndex(x, 0), expected[x]) << x;
}

TEST(ImageResample, BSplineKeepsAUniformPicture) {
    CKVXImage image(6, 5, 24);
    FillUniform(image, Quad(60, 120, 180));
    ASSERT_TRUE(image.Resample(9, 3, 2));
    for (long y = 0; y < 3; ++y)
        for (long x = 0; x < 9; ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            EXPECT_NEAR(c.rgbRed, 60, 1);
            EXPECT_NEAR(c.rgbGreen, 120, 1);
            EXPECT_NEAR(c.rgbBlue, 180, 1);
        }
}

TEST(ImageResample, AlphaFollowsTheNearestPixelInEveryMode) {
    struct Case {
        int mode;
        long width, height;
    };
    for (Case c : {Case{0, 2, 2}, Case{1, 2, 2}, Case{2, 2, 2}, Case{0, 7, 6}, Case{2, 3, 8}}) {
        CKVXImage source(4, 4, 24);
        FillPattern24(source);
        source.AlphaCreate();
        for (long y = 0; y < 4; ++y)
            for (long x = 0; x < 4; ++x) source.AlphaSet(x, y, static_cast<BYTE>(16 * y + x));
        CKVXImage result;
        ASSERT_TRUE(source.Resample(c.width, c.height, c.mode, &result));
        ASSERT_TRUE(result.AlphaIsValid());
        const float scaleX = 4.0f / static_cast<float>(c.width);
        const float scaleY = 4.0f / static_cast<float>(c.height);
        for (long y = 0; y < c.height; ++y)
            for (long x = 0; x < c.width; ++x)
                EXPECT_EQ(result.AlphaGet(x, y),
                          source.AlphaGet(static_cast<long>(x * scaleX), static_cast<long>(y * scaleY)))
                    << "mode " << c.mode << " at " << x << "," << y;
    }
}

TEST(ImageResample, SameSizeCopiesAndEmptyOrZeroFails) {
    CKVXImage source(5, 4, 24);
    FillPattern24(source);
    source.AlphaCreate();
    source.SelectionAddRect(RECT{1, 3, 2, 1});
    CKVXImage copy;
    ASSERT_TRUE(source.Resample(5, 4, 0, &copy));
    ExpectSamePicture(copy, source);
    EXPECT_TRUE(copy.SelectionIsValid());
    EXPECT_FALSE(source.Resample(0, 4, 0));

    // A destroyed image keeps its old header: it must still count as empty.
    source.Destroy();
    CKVXImage destination;
    EXPECT_FALSE(source.Resample(5, 4, 0, &destination));
    EXPECT_FALSE(source.Resample2(5, 4, CKVXImage::InterpolationBilinear, CKVXImage::OverflowClampToEdge,
                                  &destination, false));
    EXPECT_FALSE(source.QIShrink(5, 4, &destination));
    EXPECT_FALSE(source.Thumbnail(5, 4, Quad(0, 0, 0), &destination));
    EXPECT_FALSE(destination.IsValid());
}

TEST(ImageResample, Resample2AveragesWhenShrinkingUnlessToldNot) {
    CKVXImage averaged = GreyRow({10, 30, 50, 70});
    ASSERT_TRUE(averaged.Resample2(2, 1, CKVXImage::InterpolationNearest, CKVXImage::OverflowClampToEdge, nullptr,
                                   false));
    ExpectRow(averaged, {20, 60});

    CKVXImage sampled = GreyRow({10, 30, 50, 70});
    ASSERT_TRUE(sampled.Resample2(2, 1, CKVXImage::InterpolationNearest, CKVXImage::OverflowClampToEdge, nullptr,
                                  true));
    ExpectRow(sampled, {30, 70});
}

TEST(ImageResample, Resample2EnlargesThroughTheInterpolation) {
    CKVXImage row = GreyRow({0, 100});
    row.AlphaCreate();
    row.AlphaSet(1, 0, 0);
    ASSERT_TRUE(row.Resample2(4, 1, CKVXImage::InterpolationBilinear, CKVXImage::OverflowClampToEdge, nullptr, false));
    ExpectRow(row, {0, 25, 75, 100});
    // The alpha plane is interpolated along.
    EXPECT_EQ(row.AlphaGet(0, 0), 255);
    EXPECT_EQ(row.AlphaGet(3, 0), 0);
}

TEST(ImageResample, QIShrinkAveragesBlocks) {
    CKVXImage row = GreyRow({10, 30, 50, 70});
    ASSERT_TRUE(row.QIShrink(2, 1));
    ExpectRow(row, {20, 60});

    // Same width, half the height: every column stays, rows pair up.
    CKVXImage columns(3, 4, 24);
    FillPattern24(columns);
    columns.AlphaCreate();
    columns.AlphaSet(1, 0, 55);
    CKVXImage source(columns);
    ASSERT_TRUE(columns.QIShrink(3, 2));
    for (long y = 0; y < 2; ++y)
        for (long x = 0; x < 3; ++x) {
            const RGBQUAD a = source.GetPixelColor(x, 2 * y, true);
            const RGBQUAD b = source.GetPixelColor(x, 2 * y + 1, true);
            const RGBQUAD expected = Quad(static_cast<BYTE>((a.rgbRed + b.rgbRed) / 2),
                                          static_cast<BYTE>((a.rgbGreen + b.rgbGreen) / 2),
                                          static_cast<BYTE>((a.rgbBlue + b.rgbBlue) / 2),
                                          static_cast<BYTE>((a.rgbReserved + b.rgbReserved) / 2));
            EXPECT_TRUE(SameQuad(columns.GetPixelColor(x, y, true), expected)) << x << "," << y;
        }
}

TEST(ImageResample, QIShrinkRefusesToEnlarge) {
    CKVXImage image(4, 4, 24);
    EXPECT_FALSE(image.QIShrink(5, 4));
    EXPECT_STREQ(image.GetLastError(), "QIShrink can't enlarge image");
    EXPECT_FALSE(image.QIShrink(4, 5));
    EXPECT_EQ(image.GetWidth(), 4u);
}

TEST(ImageResample, QIShrinkOfAHugeBlockStaysWhite) {
    // 17 million pixels into one: their sum passes 32 bits.
    CKVXImage image(17000, 1000, 24);
    FillWhite(image);
    ASSERT_TRUE(image.QIShrink(1, 1));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(255, 255, 255)));
}

TEST(ImageResample, ThumbnailFitsAndCentres) {
    const RGBQUAD picture = Quad(10, 200, 60);
    const RGBQUAD border = Quad(1, 2, 3);
    struct Case {
        long width, height;
        // The picture area in the 100 x 100 box, buffer rows from the bottom.
        long left, bottom, fitWidth, fitHeight;
    };
    for (Case c : {Case{200, 100, 0, 25, 100, 50}, Case{50, 30, 25, 35, 50, 30}, Case{100, 400, 37, 0, 25, 100}}) {
        CKVXImage source(static_cast<DWORD>(c.width), static_cast<DWORD>(c.height), 24);
        FillUniform(source, picture);
        source.AlphaCreate();
        CKVXImage before(source);
        CKVXImage thumbnail;
        ASSERT_TRUE(source.Thumbnail(100, 100, border, &thumbnail));
        ExpectSamePicture(source, before);
        ASSERT_EQ(thumbnail.GetWidth(), 100u);
        ASSERT_EQ(thumbnail.GetHeight(), 100u);
        EXPECT_FALSE(thumbnail.AlphaIsValid());
        for (long y = 0; y < 100; ++y)
            for (long x = 0; x < 100; ++x) {
                const bool inside =
                    x >= c.left && x < c.left + c.fitWidth && y >= c.bottom && y < c.bottom + c.fitHeight;
                ASSERT_TRUE(SameQuad(thumbnail.GetPixelColor(x, y, false), inside ? picture : border))
                    << c.width << "x" << c.height << " at " << x << "," << y;
            }
    }
}

TEST(ImageResample, ThumbnailOfAVeryLongPictureKeepsOnePixelAcross) {
    // Fitted into the box, the height would be truncated to no pixel.
    CKVXImage image(1000, 2, 24);
    FillUniform(image, Quad(90, 90, 90));
    ASSERT_TRUE(image.Thumbnail(10, 10, Quad(0, 0, 0)));
    EXPECT_EQ(image.GetWidth(), 10u);
    EXPECT_EQ(image.GetHeight(), 10u);
    int pictureRows = 0;
    for (long y = 0; y < 10; ++y) pictureRows += image.GetPixelColor(3, y, false).rgbRed > 80;
    EXPECT_EQ(pictureRows, 1);
}

TEST(ImageResample, ThumbnailFailsWhenTheCanvasCannotBeMade) {
    CKVXImage image(10, 10, 24);
    FillPattern24(image);
    CKVXImage before(image);
    CKVXImage destination;
    EXPECT_FALSE(image.Thumbnail(20000, 20000, Quad(0, 0, 0), &destination));
    EXPECT_FALSE(destination.IsValid());
    EXPECT_FALSE(image.Thumbnail(20000, 20000, Quad(0, 0, 0)));
    ExpectSamePicture(image, before);
    EXPECT_FALSE(image.Thumbnail(0, 10, Quad(0, 0, 0)));
}

} // namespace
