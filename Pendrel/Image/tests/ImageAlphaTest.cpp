// The alpha plane, palette alpha and flattening onto the transparent colour.

#include <gtest/gtest.h>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::ImageProbe;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

// Alpha value 10x + y + 1 at (x, y).
void FillAlphaPattern(CKVXImage& image) {
    image.AlphaCreate();
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x)
            image.AlphaSet(x, y, static_cast<BYTE>(10 * x + y + 1));
}

TEST(ImageAlpha, CreateClearInvertAndReads) {
    ImageProbe image(3, 2, 24);
    EXPECT_FALSE(image.AlphaIsValid());
    EXPECT_EQ(image.AlphaGet(0, 0), 0);
    image.AlphaCreate();
    ASSERT_TRUE(image.AlphaIsValid());
    EXPECT_EQ(image.AlphaGet(2, 1), 255);
    image.AlphaSet(2, 1, 7);
    image.AlphaCreate();  // an existing plane stays
    EXPECT_EQ(image.AlphaGet(2, 1), 7);
    EXPECT_EQ(image.Alpha()[2 + 1 * 3], 7) << "byte x + y * width, no padding";
    EXPECT_EQ(image.AlphaGetPointer(2, 1), image.Alpha() + 5);
    EXPECT_EQ(image.AlphaGetPointer(3, 1), nullptr);
    image.AlphaSet(3, 0, 1);  // outside: nothing
    EXPECT_EQ(image.AlphaGet(-1, 0), 0);
    image.AlphaInvert();
    EXPECT_EQ(image.AlphaGet(2, 1), 248);
    EXPECT_EQ(image.AlphaGet(0, 0), 0);
    image.AlphaSet(static_cast<BYTE>(40));
    EXPECT_EQ(image.AlphaGet(1, 1), 40);
    image.AlphaClear();
    EXPECT_EQ(image.AlphaGet(1, 1), 0);
    image.AlphaDelete();
    EXPECT_FALSE(image.AlphaIsValid());
    CKVXImage empty;
    empty.AlphaCreate();
    EXPECT_FALSE(empty.AlphaIsValid()) << "no plane without a picture";
}

TEST(ImageAlpha, CopyNeedsTheSameSize) {
    CKVXImage source(3, 2, 8);
    FillAlphaPattern(source);
    source.AlphaSetMax(100);
    CKVXImage target(3, 2, 24);
    ASSERT_TRUE(target.AlphaCopy(source));
    EXPECT_EQ(target.AlphaGet(2, 1), 22);
    EXPECT_EQ(target.AlphaGetMax(), 100);

    CKVXImage other(2, 3, 24);
    other.AlphaCreate();
    other.AlphaSet(0, 0, 5);
    EXPECT_FALSE(other.AlphaCopy(source));
    EXPECT_EQ(other.AlphaGet(0, 0), 5) << "the plane stays as it was";
    CKVXImage noPlane(3, 2, 8);
    EXPECT_FALSE(target.AlphaCopy(noPlane));
}

TEST(ImageAlpha, SetFromAGreyImage) {
    CKVXImage grey(3, 2, 8);
    grey.SetGrayPalette();
    grey.SetPixelIndex(1, 1, 99);
    CKVXImage target(3, 2, 24);
    ASSERT_TRUE(target.AlphaSet(grey));
    EXPECT_EQ(target.AlphaGet(1, 1), 99);
    EXPECT_EQ(target.AlphaGet(0, 0), 0);

    CKVXImage fourBit(3, 2, 4);
    fourBit.SetGrayPalette();  // 0, 17, 34, ...: not the identity ramp
    EXPECT_FALSE(target.AlphaSet(fourBit));

    // A 1-bit palette 0, 1 passes the grey test, but holds an eighth of a
    // byte per pixel: refused rather than read as bytes.
    CKVXImage mono(3, 2, 1);
    mono.SetPaletteColor(1, 1, 1, 1);
    ASSERT_TRUE(mono.IsGrayScale());
    EXPECT_FALSE(target.AlphaSet(mono));
    EXPECT_EQ(target.AlphaGet(1, 1), 99);

    CKVXImage wrongSize(2, 2, 8);
    wrongSize.SetGrayPalette();
    EXPECT_FALSE(target.AlphaSet(wrongSize));
}

TEST(ImageAlpha, FlipAndMirror) {
    CKVXImage image(3, 2, 24);
    FillAlphaPattern(image);
    ASSERT_TRUE(image.AlphaFlip());
    EXPECT_EQ(image.AlphaGet(0, 0), 2);   // was (0, 1)
    EXPECT_EQ(image.AlphaGet(2, 1), 21);  // was (2, 0)
    ASSERT_TRUE(image.AlphaFlip());
    EXPECT_EQ(image.AlphaGet(2, 1), 22);
    ASSERT_TRUE(image.AlphaMirror());
    EXPECT_EQ(image.AlphaGet(0, 0), 21);  // was (2, 0)
    EXPECT_EQ(image.AlphaGet(1, 1), 12);
    ASSERT_TRUE(image.AlphaMirror());
    EXPECT_EQ(image.AlphaGet(0, 0), 1);
    CKVXImage noPlane(3, 2, 24);
    EXPECT_FALSE(noPlane.AlphaFlip());
    EXPECT_FALSE(noPlane.AlphaMirror());
}

TEST(ImageAlpha, SplitIntoGreyImages) {
    CKVXImage image(3, 2, 24);
    FillAlphaPattern(image);
    CKVXImage split(5, 5, 24);
    ASSERT_TRUE(image.AlphaSplit(&split));
    EXPECT_EQ(split.GetBpp(), 8);
    EXPECT_EQ(split.GetWidth(), 3u);
    EXPECT_TRUE(split.IsGrayScale());
    EXPECT_EQ(split.GetPixelIndex(2, 1), 22);
    EXPECT_FALSE(image.AlphaSplit(nullptr));
    EXPECT_FALSE(CKVXImage(3, 2, 24).AlphaSplit(&split));

    CKVXImage indexed(2, 1, 4);
    EXPECT_FALSE(indexed.AlphaPaletteSplit(&split)) << "no palette alpha";
    indexed.SetPaletteColor(1, 0, 0, 0, 80);
    indexed.SetPixelIndex(1, 0, 1);
    ASSERT_TRUE(indexed.AlphaPaletteSplit(&split));
    EXPECT_EQ(split.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(split.GetPixelIndex(1, 0), 80);
    indexed.AlphaCreate();
    indexed.AlphaSet(1, 0, 30);
    ASSERT_TRUE(indexed.AlphaPaletteSplit(&split));
    EXPECT_EQ(split.GetPixelIndex(1, 0), 30) << "the plane's value where there is a plane";
}

TEST(ImageAlpha, PaletteAlpha) {
    CKVXImage image(2, 1, 8);
    EXPECT_FALSE(image.AlphaPaletteIsValid());
    image.SetPaletteColor(7, 1, 2, 3, 9);
    EXPECT_TRUE(image.AlphaPaletteIsValid());
    image.AlphaPaletteClear();
    EXPECT_FALSE(image.AlphaPaletteIsValid());
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(7), Quad(1, 2, 3, 0)));
    image.AlphaPaletteEnable();
    EXPECT_TRUE(image.AlphaPaletteIsEnabled());
    EXPECT_FALSE(CKVXImage(2, 1, 24).AlphaPaletteIsValid());
}

TEST(ImageAlpha, StripFlattensOntoTheTransparentColour) {
    CKVXImage image(3, 1, 24);
    image.SetTransColor(Quad(0, 0, 200));
    for (long x = 0; x < 3; ++x) image.SetPixelColor(x, 0, Quad(100, 200, 50));
    image.AlphaCreate();
    image.AlphaSet(1, 0, 0);
    image.AlphaSet(2, 0, 128);
    image.AlphaStrip();
    EXPECT_FALSE(image.AlphaIsValid());
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(100, 200, 50)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 0, false), Quad(0, 0, 200)));
    const RGBQUAD half = image.GetPixelColor(2, 0, false);
    EXPECT_TRUE(SameQuad(half, Quad(100 * 128 / 255, 200 * 128 / 255, (50 * 128 + 200 * 127) / 255)))
        << QuadText(half);

    // alphaMax scales every pixel.
    CKVXImage faded(1, 1, 24);
    faded.SetPixelColor(0, 0, Quad(255, 255, 255));
    faded.AlphaCreate();
    faded.AlphaSetMax(51);
    faded.AlphaStrip();
    EXPECT_TRUE(SameQuad(faded.GetPixelColor(0, 0, false), Quad(51, 51, 51)));
}

TEST(ImageAlpha, StripOfAPalettedImageAppliesPaletteAndPlane) {
    CKVXImage image(2, 1, 8, CKVXImage::ImageTypeGif);
    image.SetXDPI(300);
    image.SetTransColor(Quad(0, 0, 90));
    image.SetPaletteColor(1, 255, 255, 255, 128);
    image.SetPixelIndex(1, 0, 1);
    image.AlphaStrip();
    EXPECT_EQ(image.GetBpp(), 24);
    // Palette alpha alone: entry 0 has alpha 0, entry 1 alpha 128.
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(0, 0, 90)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 0, false), Quad(128, 128, (255 * 128 + 90 * 127) / 255)));
    // The fresh image's settings come along.
    EXPECT_EQ(image.GetType(), 0u);
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.GetTransIndex(), -1);

    // With a plane as well, the plane's value counts twice: once as the
    // opacity and once as the colour's fourth byte.
    CKVXImage both(1, 1, 8);
    both.SetPaletteColor(0, 255, 255, 255, 200);
    both.AlphaCreate();
    both.AlphaSet(0, 0, 128);
    both.AlphaStrip();
    EXPECT_FALSE(both.AlphaIsValid());
    EXPECT_EQ(both.GetPixelColor(0, 0, false).rgbRed, 255 * (128 * 128 / 255) / 255);
}

TEST(ImageAlpha, StripWithNothingToStripChangesNothing) {
    CKVXImage image(2, 1, 8);
    image.SetPaletteColor(1, 9, 9, 9);
    image.SetPixelIndex(1, 0, 1);
    image.AlphaStrip();
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 1);
}

} // namespace
