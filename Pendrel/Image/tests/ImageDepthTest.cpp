// Widening the bit depth without changing any pixel's look, and mapping
// onto a smaller palette with and without error diffusion.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "Pendrel/Image/tests/ImageTransformSupport.h"

using kvximagetest::ExpectSamePixels;
using kvximagetest::FillRandom;
using kvximagetest::Noise;
using kvximagetest::PixelValue;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

// The first entry of the palette nearest to the colour, over `count` entries.
BYTE BruteForceNearest(const RGBQUAD* palette, DWORD count, RGBQUAD color) {
    long best = -1;
    BYTE answer = 0;
    for (DWORD i = 0; i < count; ++i) {
        const long db = palette[i].rgbBlue - color.rgbBlue;
        const long dg = palette[i].rgbGreen - color.rgbGreen;
        const long dr = palette[i].rgbRed - color.rgbRed;
        const long distance = db * db + dg * dg + dr * dr;
        if (best < 0 || distance < best) {
            best = distance;
            answer = static_cast<BYTE>(i);
        }
    }
    return answer;
}

// The standard palette of a depth, as SetStdPalette gives it.
std::vector<RGBQUAD> StdPalette(DWORD bpp) {
    CKVXImage holder(1, 1, bpp);
    holder.SetStdPalette();
    return std::vector<RGBQUAD>(holder.GetPalette(), holder.GetPalette() + holder.GetNumColors());
}

// A 24-bit picture with many colours, each appearing several times.
void FillPhoto(CKVXImage& image) {
    Noise noise(77);
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
            const BYTE shade = static_cast<BYTE>(noise.Next() % 32);
            image.SetPixelColor(x, y, Quad(static_cast<BYTE>(4 * x + shade), static_cast<BYTE>(4 * y), static_cast<BYTE>(shade * 8)));
        }
}

TEST(ImageDepth, IncreaseKeepsEveryColourFrom4To8To24) {
    CKVXImage image(7, 5, 4);
    FillRandom(image, 5, true);
    image.SelectionAddRect(RECT{1, 4, 3, 1});
    CKVXImage reference(image);

    ASSERT_TRUE(image.IncreaseBpp(8));
    EXPECT_EQ(image.GetBpp(), 8);
    ExpectSamePixels(image, reference);
    // Indices stay as they were.
    for (long y = 0; y < 5; ++y)
        for (long x = 0; x < 7; ++x) EXPECT_EQ(image.GetPixelIndex(x, y), reference.GetPixelIndex(x, y));

    ASSERT_TRUE(image.IncreaseBpp(24));
    EXPECT_EQ(image.GetBpp(), 24);
    ExpectSamePixels(image, reference);
    EXPECT_TRUE(image.SelectionIsInside(2, 2));
    EXPECT_FALSE(image.SelectionIsInside(4, 2));
}

TEST(ImageDepth, IncreaseTo24TurnsPaletteTransparencyIntoColourAndPlane) {
    CKVXImage image(4, 2, 8);
    FillRandom(image, 6, false);
    image.SetTransIndex(2);
    image.SetPaletteColor(7, 10, 20, 30, 99);
    image.SetPixelIndex(1, 1, 7);
    image.SetPixelIndex(0, 0, 0);
    ASSERT_TRUE(image.IncreaseBpp(24));
    EXPECT_EQ(image.GetTransIndex(), 2);
    const RGBQUAD trans = image.GetTransColor();
    EXPECT_EQ(trans.rgbRed, 2);
    EXPECT_EQ(trans.rgbGreen, 253);
    EXPECT_EQ(trans.rgbBlue, 14);
    // The palette carried alpha values and there was no plane: they became one.
    ASSERT_TRUE(image.AlphaIsValid());
    EXPECT_EQ(image.AlphaGet(1, 1), 99);
    EXPECT_EQ(image.AlphaGet(0, 0), 0);
}

TEST(ImageDepth, IncreaseRules) {
    struct Case {
        DWORD from;
        DWORD to;
        bool result;
        DWORD depthAfter;
    };
    const Case cases[] = {
        {24, 8, false, 24}, {8, 8, true, 8},   {8, 16, false, 8}, {1, 4, true, 4},
        {4, 24, true, 24},  {24, 24, true, 24}, {8, 4, false, 8}, {1, 2, false, 1},
    };
    for (const Case& c : cases) {
        CKVXImage image(3, 3, c.from);
        FillRandom(image, 1, false);
        CKVXImage before(image);
        EXPECT_EQ(image.IncreaseBpp(c.to), c.result) << c.from << " to " << c.to;
        EXPECT_EQ(image.GetBpp(), c.depthAfter) << c.from << " to " << c.to;
        ExpectSamePixels(image, before);
    }
    CKVXImage empty;
    EXPECT_FALSE(empty.IncreaseBpp(24));
}

TEST(ImageDepth, DecreaseTo8MatchesABruteForceNearestSearch) {
    CKVXImage image(64, 48, 24);
    FillPhoto(image);
    image.AlphaCreate();
    image.AlphaSet(3, 4, 17);
    CKVXImage source(image);
    ASSERT_TRUE(image.DecreaseBpp(8, false, nullptr, 0));
    ASSERT_EQ(image.GetBpp(), 8);
    const std::vector<RGBQUAD> palette = StdPalette(8);
    for (DWORD i = 0; i < 256; ++i) ASSERT_TRUE(SameQuad(image.GetPaletteColor(static_cast<BYTE>(i)), palette[i])) << i;
    int mismatches = 0;
    for (long y = 0; y < 48; ++y)
        for (long x = 0; x < 64; ++x)
            if (image.GetPixelIndex(x, y) != BruteForceNearest(palette.data(), 256, source.GetPixelColor(x, y)))
                ++mismatches;
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(image.AlphaGet(3, 4), 17);
}

TEST(ImageDepth, DecreaseUsesTheGivenPaletteAndItsImportantColours) {
    CKVXImage image(32, 16, 24);
    FillPhoto(image);
    CKVXImage source(image);
    std::vector<RGBQUAD> palette(16);
    for (DWORD i = 0; i < 16; ++i) palette[i] = Quad(static_cast<BYTE>(16 * i), static_cast<BYTE>(255 - 16 * i), 128);
    ASSERT_TRUE(image.DecreaseBpp(4, false, palette.data(), 5));
    ASSERT_EQ(image.GetBpp(), 4);
    EXPECT_EQ(image.GetClrImportant(), 5u);
    for (long y = 0; y < 16; ++y)
        for (long x = 0; x < 32; ++x)
            ASSERT_EQ(image.GetPixelIndex(x, y), BruteForceNearest(palette.data(), 5, source.GetPixelColor(x, y)))
                << x << "," << y;
}

TEST(ImageDepth, DecreaseStartsWithAClearNearestColourCache) {
    // The source's cache answers 5 for this colour, an entry of its own
    // palette; the standard palette's entry 5 is another colour.
    CKVXImage image(2, 1, 8);
    image.SetPaletteColor(5, 10, 200, 30);
    image.SetPixelIndex(0, 0, 5);
    image.SetPixelIndex(1, 0, 5);
    ASSERT_EQ(image.GetNearestIndex(Quad(10, 200, 30)), 5);
    ASSERT_TRUE(image.DecreaseBpp(8, false, nullptr, 256));
    const std::vector<RGBQUAD> palette = StdPalette(8);
    const BYTE expected = BruteForceNearest(palette.data(), 256, Quad(10, 200, 30));
    ASSERT_NE(expected, 5);
    EXPECT_EQ(image.GetPixelIndex(0, 0), expected);
    EXPECT_EQ(image.GetPixelIndex(1, 0), expected);
}

TEST(ImageDepth, DecreaseRules) {
    CKVXImage grey(4, 4, 8);
    FillRandom(grey, 2, false);
    CKVXImage before(grey);
    EXPECT_TRUE(grey.DecreaseBpp(8, false, nullptr, 0));
    EXPECT_TRUE(grey.IsSamePalette(before));
    EXPECT_FALSE(grey.DecreaseBpp(24, false, nullptr, 0));
    CKVXImage empty;
    EXPECT_FALSE(empty.DecreaseBpp(1, false, nullptr, 0));
    // A target between supported depths goes up to the next one; a depth
    // that ends at 24 has no palette and fails.
    CKVXImage photo(4, 4, 24);
    EXPECT_FALSE(photo.DecreaseBpp(16, false, nullptr, 0));
    EXPECT_EQ(photo.GetBpp(), 24);
    EXPECT_TRUE(photo.DecreaseBpp(3, false, nullptr, 0));
    EXPECT_EQ(photo.GetBpp(), 4);
}

// The diffusion rule step by step through the accessors: each pixel takes
// the nearest entry of `palette`, and its error goes to the right (7/16) and
// to the row above (2/16, 4/16, 1/16), each channel held to 0 ... 255.
std::vector<BYTE> ReferenceDiffusion(CKVXImage& source, const std::vector<RGBQUAD>& palette) {
    const long width = source.GetWidth();
    const long height = source.GetHeight();
    std::vector<BYTE> indices;
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) {
            const RGBQUAD color = source.GetPixelColor(x, y, true);
            const BYTE index = BruteForceNearest(palette.data(), static_cast<DWORD>(palette.size()), color);
            indices.push_back(index);
            const int error[3] = {color.rgbRed - palette[index].rgbRed, color.rgbGreen - palette[index].rgbGreen,
                                  color.rgbBlue - palette[index].rgbBlue};
            const int targets[4][3] = {{1, 0, 7}, {-1, 1, 2}, {0, 1, 4}, {1, 1, 1}};
            for (const auto& t : targets) {
                if (!source.IsInside(x + t[0], y + t[1])) continue;
                RGBQUAD c = source.GetPixelColor(x + t[0], y + t[1], true);
                auto add = [&](BYTE v, int e) { return static_cast<BYTE>(std::clamp(v + e * t[2] / 16, 0, 255)); };
                c.rgbRed = add(c.rgbRed, error[0]);
                c.rgbGreen = add(c.rgbGreen, error[1]);
                c.rgbBlue = add(c.rgbBlue, error[2]);
                source.SetPixelColor(x + t[0], y + t[1], c, false);
            }
        }
    return indices;
}

TEST(ImageDepth, DiffusionFollowsTheSpreadRuleExactly) {
    // A 24-bit picture onto the standard palette, and an indexed one (whose
    // diffused colours are stored in its own palette) onto 16 entries.
    CKVXImage photo(40, 30, 24);
    FillPhoto(photo);
    CKVXImage indexed(40, 30, 8);
    FillRandom(indexed, 8, false);
    struct Case {
        CKVXImage* image;
        DWORD bpp;
    };
    for (Case c : {Case{&photo, 8}, Case{&indexed, 4}}) {
        CKVXImage reference(*c.image);
        const std::vector<BYTE> expected = ReferenceDiffusion(reference, StdPalette(c.bpp));
        ASSERT_TRUE(c.image->DecreaseBpp(c.bpp, true, nullptr, 0));
        std::vector<BYTE> indices;
        for (long y = 0; y < 30; ++y)
            for (long x = 0; x < 40; ++x) indices.push_back(c.image->GetPixelIndex(x, y));
        EXPECT_EQ(indices, expected) << c.bpp;
    }
}

TEST(ImageDepth, DiffusedMidGreyBecomesAPatternAndPlainGreyDoesNot) {
    for (bool diffuse : {true, false}) {
        CKVXImage image(16, 16, 24);
        for (long y = 0; y < 16; ++y)
            for (long x = 0; x < 16; ++x) image.SetPixelColor(x, y, Quad(128, 128, 128));
        ASSERT_TRUE(image.DecreaseBpp(1, diffuse, nullptr, 0));
        ASSERT_EQ(image.GetBpp(), 1);
        EXPECT_TRUE(SameQuad(image.GetPaletteColor(0), Quad(0, 0, 0)));
        EXPECT_TRUE(SameQuad(image.GetPaletteColor(1), Quad(255, 255, 255)));
        int white = 0;
        for (long y = 0; y < 16; ++y)
            for (long x = 0; x < 16; ++x) white += image.GetPixelIndex(x, y);
        if (diffuse) {
            EXPECT_GT(white, 64);
            EXPECT_LT(white, 192);
        } else {
            EXPECT_EQ(white, 256); // 128 lies nearer to 255 than to 0
        }
    }
}

TEST(ImageDepth, DiffusionSpreadsSevenSixteenthsToTheRight) {
    // Two pixels of level 100 on black and white: the first becomes black
    // with error 100; its right neighbour receives 100 x 7 / 16 = 43 and
    // reaches 143, which is white.
    CKVXImage image(2, 1, 24);
    image.SetPixelColor(0, 0, Quad(100, 100, 100));
    image.SetPixelColor(1, 0, Quad(100, 100, 100));
    ASSERT_TRUE(image.DecreaseBpp(1, true, nullptr, 0));
    EXPECT_EQ(image.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 1);
}

} // namespace
