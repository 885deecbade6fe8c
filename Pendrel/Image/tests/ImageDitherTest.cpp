// Dithering to black and white: the ordered and Bayer thresholds pixel by
// pixel, the six error diffusion tables on a ramp, and what the result
// keeps of the source.

#include <gtest/gtest.h>

#include <string>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::Quad;
using kvximagetest::SameQuad;

namespace {

// An 8-bit grey image whose index is the level (the grey ramp palette, so
// the grey step keeps every level).
CKVXImage Levels(long width, long height, BYTE level) {
    CKVXImage image(static_cast<DWORD>(width), static_cast<DWORD>(height), 8);
    image.SetGrayPalette();
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) image.SetPixelIndex(x, y, level);
    return image;
}

// The 1-bit result as rows of '0' and '1', row 0 first, separated by '/'.
std::string Pattern(CKVXImage& image) {
    std::string text;
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
        if (y) text += '/';
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) text += image.GetPixelIndex(x, y) ? '1' : '0';
    }
    return text;
}

TEST(ImageDither, ThresholdMethodsPixelByPixel) {
    struct Case {
        long method;
        BYTE level;
        const char* pattern;
    };
    const Case cases[] = {
        // Ordered: level x 16 / 255 against the matrix; 255 is always white.
        {1, 100, "10101010/01000100/10101010/00010001"},
        {1, 200, "11111111/01010101/11111111/01010101"},
        {1, 255, "11111111/11111111/11111111/11111111"},
        {1, 0, "00000000/00000000/00000000/00000000"},
        // Bayer: the level itself against the thresholds.
        {7, 100, "10101010/01000100/10101010/01010101"},
        {7, 200, "11101110/11111111/10101010/11111111"},
        {7, 241, "11111111/11111111/11111111/11111111"},
        {7, 0, "00000000/00000000/00000000/00000000"},
    };
    for (const Case& c : cases) {
        CKVXImage image = Levels(8, 4, c.level);
        ASSERT_TRUE(image.Dither(c.method));
        ASSERT_EQ(image.GetBpp(), 1);
        EXPECT_EQ(Pattern(image), c.pattern) << "method " << c.method << ", level " << int(c.level);
    }
}

TEST(ImageDither, DiffusionKeepsTheMeanOfARamp) {
    for (long method : {0L, 2L, 3L, 4L, 5L, 6L}) {
        CKVXImage image(64, 64, 8);
        image.SetGrayPalette();
        long sum = 0;
        for (long y = 0; y < 64; ++y)
            for (long x = 0; x < 64; ++x) {
                const BYTE level = static_cast<BYTE>((x * 64 + y) * 255 / 4095);
                image.SetPixelIndex(x, y, level);
                sum += level;
            }
        ASSERT_TRUE(image.Dither(method));
        long white = 0;
        for (long y = 0; y < 64; ++y)
            for (long x = 0; x < 64; ++x) white += image.GetPixelIndex(x, y);
        // Within one per cent of the white that the levels add up to.
        EXPECT_NEAR(static_cast<double>(white), sum / 255.0, sum / 255.0 / 100) << "method " << method;
    }
}

TEST(ImageDither, UnnamedMethodsDiffuseLikeFloydSteinberg) {
    CKVXImage first = Levels(16, 16, 0);
    for (long x = 0; x < 16; ++x)
        for (long y = 0; y < 16; ++y) first.SetPixelIndex(x, y, static_cast<BYTE>(x * 16 + y));
    CKVXImage second(first);
    ASSERT_TRUE(first.Dither(0));
    ASSERT_TRUE(second.Dither(9));
    EXPECT_EQ(Pattern(first), Pattern(second));
}

TEST(ImageDither, LevelOf128IsBlackAndPassesItsWholeError) {
    // Pixel 0 (level 128) is black and its error 128 gives the right
    // neighbour 128 x 7 / 16 = 56: 74 + 56 = 130 is white.
    CKVXImage image = Levels(2, 1, 128);
    image.SetPixelIndex(1, 0, 74);
    ASSERT_TRUE(image.Dither(0));
    EXPECT_EQ(Pattern(image), "01");
}

TEST(ImageDither, ResultKeepsAlphaAndSelectionWithABlackWhitePalette) {
    CKVXImage image(6, 5, 24);
    for (long y = 0; y < 5; ++y)
        for (long x = 0; x < 6; ++x) image.SetPixelColor(x, y, Quad(static_cast<BYTE>(40 * x), 90, 200));
    image.AlphaCreate();
    image.AlphaSet(2, 3, 77);
    image.SelectionAddRect(RECT{1, 4, 3, 2});
    ASSERT_TRUE(image.Dither(4));
    ASSERT_EQ(image.GetBpp(), 1);
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(0), Quad(0, 0, 0)));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(1), Quad(255, 255, 255)));
    EXPECT_EQ(image.AlphaGet(2, 3), 77);
    EXPECT_TRUE(image.SelectionIsInside(2, 3));
    EXPECT_FALSE(image.SelectionIsInside(4, 3));
}

TEST(ImageDither, OneBitImagesStayAndEmptyImagesFail) {
    CKVXImage image(5, 3, 1);
    image.SetPaletteColor(0, Quad(10, 20, 30));
    image.SetPixelIndex(1, 1, 1);
    ASSERT_TRUE(image.Dither(3));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(0), Quad(10, 20, 30)));
    EXPECT_EQ(image.GetPixelIndex(1, 1), 1);
    CKVXImage empty;
    EXPECT_FALSE(empty.Dither(0));
}

TEST(ImageDither, FailsWhenTheGreyImageCannotBeMade) {
    // A 4-bit picture whose 8-bit grey version passes the memory limit: the
    // levels would all read 0, an all-black picture reported as success.
    CKVXImage image(16000, 16000, 4);
    ASSERT_TRUE(image.IsValid());
    image.SetPaletteColor(0, Quad(255, 255, 255));
    EXPECT_FALSE(image.Dither(0));
    EXPECT_EQ(image.GetBpp(), 4);
}

} // namespace
