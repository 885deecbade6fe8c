// Grey scale, negative, flip and mirror.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::ImageProbe;
using kvximagetest::Quad;
using kvximagetest::SameQuad;

namespace {

struct GreyCase {
    RGBQUAD color;
    BYTE level;
};

TEST(ImageGrayScale, LevelsOfTrueColourPixels) {
    const GreyCase cases[] = {{Quad(255, 0, 0), 76},   {Quad(0, 255, 0), 149},   {Quad(0, 0, 255), 29},
                              {Quad(255, 255, 255), 255}, {Quad(128, 128, 128), 128}, {Quad(0, 0, 0), 0}};
    CKVXImage image(6, 1, 24);
    for (long x = 0; x < 6; ++x) image.SetPixelColor(x, 0, cases[x].color);
    image.AlphaCreate();
    image.AlphaSet(2, 0, 77);
    ASSERT_TRUE(image.GrayScale());
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetNumColors(), 256u);
    EXPECT_TRUE(image.IsGrayScale());
    for (long x = 0; x < 6; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), cases[x].level) << x;
    EXPECT_EQ(image.AlphaGet(2, 0), 77);
}

TEST(ImageGrayScale, IndexedImagesAtEveryDepth) {
    for (DWORD bpp : {1u, 4u, 8u}) {
        CKVXImage image(5, 2, bpp);
        image.SetPaletteColor(0, Quad(0, 0, 0));
        image.SetPaletteColor(1, Quad(255, 255, 255, 9));
        if (bpp > 1) image.SetPaletteColor(3, Quad(255, 0, 0));
        image.SetPixelIndex(1, 0, 1);
        image.SetPixelIndex(4, 1, bpp > 1 ? 3 : 1);
        image.SetTransIndex(bpp > 1 ? 3 : -1);
        image.AlphaCreate();
        image.AlphaSet(4, 1, 5);
        ASSERT_TRUE(image.GrayScale()) << bpp;
        EXPECT_EQ(image.GetBpp(), 8);
        EXPECT_EQ(image.GetPixelIndex(0, 0), 0);
        EXPECT_EQ(image.GetPixelIndex(1, 0), 255);
        EXPECT_EQ(image.GetPixelIndex(4, 1), bpp > 1 ? 76 : 255);
        EXPECT_EQ(image.GetTransIndex(), bpp > 1 ? 76 : -1) << bpp;
        EXPECT_EQ(image.AlphaGet(4, 1), 5) << bpp;
        // At 8 bits the palette is rewritten in place: the fourth bytes stay
        // at their old index.
        if (bpp == 8) {
            EXPECT_EQ(image.GetPaletteColor(1).rgbReserved, 9);
        }
    }
}

TEST(ImageGrayScale, FailedWorkingImageLeavesTheImageAsItWas) {
    // A 4-bit image whose 8-bit twin passes the memory limit (rows of 8
    // bytes against 12).
    CKVXImage image(9, 25000000, 4);
    ASSERT_TRUE(image.IsValid());
    image.SetPaletteColor(2, Quad(255, 0, 0));
    image.SetTransIndex(2);
    EXPECT_FALSE(image.GrayScale());
    EXPECT_EQ(image.GetBpp(), 4);
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(2), Quad(255, 0, 0)));
    EXPECT_EQ(image.GetTransIndex(), 2);
}

TEST(ImageNegative, TrueColourAndTransparentColour) {
    CKVXImage image(3, 2, 24);
    image.SetPixelColor(1, 1, Quad(10, 20, 30));
    image.SetTransColor(Quad(1, 2, 3));
    ASSERT_TRUE(image.Negative());
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 1), Quad(245, 235, 225)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0), Quad(255, 255, 255)));
    EXPECT_TRUE(SameQuad(image.GetTransColor(), Quad(254, 253, 252)));
}

TEST(ImageNegative, GreyRampInvertsIndicesColourPaletteInvertsEntries) {
    CKVXImage grey8(2, 1, 8);
    grey8.SetGrayPalette();
    ASSERT_TRUE(grey8.Negative());
    EXPECT_EQ(grey8.GetPixelIndex(0, 0), 255);

    CKVXImage grey4(3, 1, 4);
    for (BYTE i = 0; i < 16; ++i) grey4.SetPaletteColor(i, Quad(i, i, i));
    grey4.SetPixelIndex(1, 0, 3);
    ASSERT_TRUE(grey4.Negative());
    EXPECT_EQ(grey4.GetPixelIndex(1, 0), 12);
    EXPECT_EQ(grey4.GetPixelIndex(0, 0), 15);

    // A colour palette is inverted whole even with a selection.
    ImageProbe colour(4, 4, 8);
    colour.SetPaletteColor(0, Quad(200, 100, 0));
    BYTE* mask = static_cast<BYTE*>(std::calloc(16, 1));
    colour.SetSelection(mask);
    ASSERT_TRUE(colour.Negative());
    EXPECT_TRUE(SameQuad(colour.GetPixelColor(3, 3), Quad(55, 155, 255)));
    EXPECT_EQ(colour.GetPixelIndex(3, 3), 0);
}

TEST(ImageNegative, EmptyImagesFail) {
    CKVXImage empty;
    EXPECT_FALSE(empty.GrayScale());
    EXPECT_FALSE(empty.Negative());
    EXPECT_FALSE(empty.Flip());
    EXPECT_FALSE(empty.Mirror());
    EXPECT_FALSE(empty.IsValid());
}

// Fills every pixel of the image with a pattern that differs along both axes.
void FillPattern(CKVXImage& image) {
    const long width = static_cast<long>(image.GetWidth());
    const long height = static_cast<long>(image.GetHeight());
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) {
            if (image.GetBpp() == 24) image.SetPixelColor(x, y, Quad(BYTE(x * 17 + y), BYTE(y * 31), BYTE(x ^ y)));
            else image.SetPixelIndex(x, y, static_cast<BYTE>(x * 3 + y * 7 + (x * y) % 5));
        }
    image.AlphaCreate();
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) image.AlphaSet(x, y, static_cast<BYTE>(x * 11 + y));
}

class ImageFlipMirror : public ::testing::TestWithParam<DWORD> {};

TEST_P(ImageFlipMirror, TwiceRestoresTheOriginalAndOnceMovesEachPixel) {
    const DWORD bpp = GetParam();
    for (DWORD width : {13u, 8u, 1u}) {
        ImageProbe image(width, 5, bpp);
        if (bpp < 24) image.SetGrayPalette();
        FillPattern(image);
        CKVXImage original(image);
        image.SetSelection(static_cast<BYTE*>(std::calloc(width * 5, 1)));

        ASSERT_TRUE(image.Flip());
        EXPECT_FALSE(image.SelectionIsValid());
        for (long x = 0; x < static_cast<long>(width); ++x) {
            EXPECT_TRUE(SameQuad(image.GetPixelColor(x, 0), original.GetPixelColor(x, 4)));
        }
        ASSERT_TRUE(image.Flip());
        kvximagetest::ExpectSamePixels(image, original);

        ASSERT_TRUE(image.Mirror());
        for (long y = 0; y < 5; ++y)
            EXPECT_TRUE(SameQuad(image.GetPixelColor(0, y),
                                 original.GetPixelColor(static_cast<long>(width) - 1, y)));
        ASSERT_TRUE(image.Mirror());
        kvximagetest::ExpectSamePixels(image, original);
        EXPECT_EQ(image.GetXDPI(), original.GetXDPI());
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, ImageFlipMirror, ::testing::Values(1u, 4u, 8u, 24u));

} // namespace
