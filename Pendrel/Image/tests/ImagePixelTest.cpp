// Pixels and palette: addressing at every depth, reads outside the image,
// the nearest-colour search, the standard palettes, blending and lines.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::ImageProbe;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

struct PixelCase {
    DWORD bpp;
    long x, y;
    BYTE index;
    size_t byte;     // offset from the first row
    BYTE expected;   // that byte after the write, in a zeroed image
};

class ImagePixelBytes : public ::testing::TestWithParam<PixelCase> {};

TEST_P(ImagePixelBytes, IndexLandsInItsBitsAndReadsBack) {
    const PixelCase c = GetParam();
    CKVXImage image(10, 3, c.bpp);
    image.SetPixelIndex(c.x, c.y, c.index);
    const BYTE* bits = image.GetBits(0);
    EXPECT_EQ(bits[c.byte], c.expected);
    const size_t size = image.GetEffWidth() * image.GetHeight();
    for (size_t i = 0; i < size; ++i) {
        if (i == c.byte) continue;
        EXPECT_EQ(bits[i], 0) << "byte " << i;
    }
    EXPECT_EQ(image.GetPixelIndex(c.x, c.y), c.index & ((1 << c.bpp) - 1));
}

INSTANTIATE_TEST_SUITE_P(Table, ImagePixelBytes,
                         ::testing::Values(PixelCase{1, 0, 0, 1, 0, 0x80},   // leftmost pixel: top bit
                                           PixelCase{1, 9, 0, 1, 1, 0x40},
                                           PixelCase{1, 2, 1, 3, 4, 0x20},   // only the low bit counts
                                           PixelCase{4, 0, 0, 0xA, 0, 0xA0}, // even pixel: high nibble
                                           PixelCase{4, 5, 2, 0x15, 18, 0x05},
                                           PixelCase{8, 7, 1, 200, 19, 200}),
                         [](const ::testing::TestParamInfo<PixelCase>& info) {
                             const PixelCase& c = info.param;
                             return "bpp" + std::to_string(c.bpp) + "_x" + std::to_string(c.x) + "_y" +
                                    std::to_string(c.y);
                         });

TEST(ImagePixel, ColourRoundTripAt24Bits) {
    CKVXImage image(3, 2, 24);
    image.SetPixelColor(1, 1, RGB(10, 20, 30));
    const BYTE* bits = image.GetBits(0);
    EXPECT_EQ(bits[12 + 3], 30);  // row 1 starts at effWidth 12; blue first
    EXPECT_EQ(bits[12 + 4], 20);
    EXPECT_EQ(bits[12 + 5], 10);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 1, false), Quad(10, 20, 30)));
    EXPECT_EQ(image.GetPixelIndex(1, 1), 0) << "no palette";
    image.SetPixelIndex(1, 1, 5);
    EXPECT_EQ(bits[12 + 3], 30);
    EXPECT_EQ(image.GetPixelGray(1, 1), (10 * 306 + 20 * 601 + 30 * 117) >> 10);
}

TEST(ImagePixel, PaletteColourWritesTheNearestIndexAndLeavesAlphaAlone) {
    CKVXImage image(2, 2, 8);
    image.SetStdPalette();
    image.AlphaCreate();
    image.SetPixelColor(1, 0, Quad(255, 0, 0, 9), true);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 249);  // the exact entry, not 254, 0, 0 at 40
    EXPECT_EQ(image.AlphaGet(1, 0), 255);
}

TEST(ImagePixel, ReadsOutsideTheImage) {
    // 1-bit: the raw first byte stands for every outside pixel.
    CKVXImage mono(10, 2, 1);
    mono.SetPixelIndex(0, 0, 1);
    mono.SetPixelIndex(2, 0, 1);
    EXPECT_EQ(mono.GetPixelIndex(-1, 0), 0xA0);
    EXPECT_EQ(mono.GetPixelIndex(10, 0), 0xA0);
    mono.SetTransIndex(0x101);
    EXPECT_EQ(mono.GetPixelIndex(0, 5), 0x01) << "the low byte of the transparent index";

    // 24-bit without transparent index: pixel (0, 0) with its alpha.
    CKVXImage rgb(2, 2, 24);
    rgb.SetPixelColor(0, 0, Quad(1, 2, 3));
    rgb.AlphaCreate();
    rgb.AlphaSet(0, 0, 77);
    EXPECT_TRUE(SameQuad(rgb.GetPixelColor(5, 5, false), Quad(1, 2, 3, 77)));
    rgb.SetTransIndex(0);
    rgb.SetTransColor(Quad(9, 8, 7));
    EXPECT_TRUE(SameQuad(rgb.GetPixelColor(-1, 0, true), Quad(9, 8, 7)));

    // Paletted with a transparent index: that palette entry.
    CKVXImage indexed(2, 2, 4);
    indexed.SetPaletteColor(3, 30, 31, 32, 33);
    indexed.SetTransIndex(3);
    EXPECT_TRUE(SameQuad(indexed.GetPixelColor(2, 0, true), Quad(30, 31, 32, 33)));

    // No picture: the transparent colour.
    CKVXImage empty;
    empty.SetTransColor(Quad(4, 5, 6));
    EXPECT_TRUE(SameQuad(empty.GetPixelColor(0, 0, true), Quad(4, 5, 6)));
    EXPECT_EQ(empty.GetPixelIndex(0, 0), 0);
}

TEST(ImagePixel, FourthByteComesFromPaletteTransColorOrPlane) {
    ImageProbe indexed(2, 1, 8);
    indexed.SetPaletteColor(0, 1, 2, 3, 44);
    indexed.AlphaCreate();
    indexed.AlphaSet(0, 0, 9);
    EXPECT_EQ(indexed.GetPixelColor(0, 0, false).rgbReserved, 44);
    EXPECT_EQ(indexed.GetPixelColor(0, 0, true).rgbReserved, 9);
    EXPECT_EQ(indexed.BlindGetPixelColor(0, 0).rgbReserved, 44) << "blind reads ignore the plane when paletted";

    ImageProbe rgb(2, 1, 24);
    RGBQUAD trans = Quad(0, 0, 0);
    trans.rgbReserved = 66;
    rgb.SetTransColor(trans);  // stored with its fourth byte 0
    EXPECT_EQ(rgb.GetPixelColor(0, 0, false).rgbReserved, 0);
    rgb.AlphaCreate();
    rgb.AlphaSet(1, 0, 12);
    EXPECT_EQ(rgb.BlindGetPixelColor(1, 0).rgbReserved, 12);
}

TEST(ImagePalette, NearestColourTakesTheFirstOfTies) {
    CKVXImage image(1, 1, 4);
    image.SetPaletteColor(2, 100, 100, 100);
    image.SetPaletteColor(5, 100, 100, 100);
    image.SetPaletteColor(7, 0, 0, 10);
    image.SetPaletteColor(8, 0, 0, 20);
    EXPECT_EQ(image.GetNearestIndex(Quad(100, 100, 100)), 2);
    EXPECT_EQ(image.GetNearestIndex(Quad(99, 100, 101)), 2);
    EXPECT_EQ(image.GetNearestIndex(Quad(0, 0, 15)), 7) << "equal distance to 7 and 8";
    EXPECT_EQ(image.GetNearestIndex(Quad(0, 0, 3)), 0) << "black entries 0, 1, ... come first";
    image.SetClrImportant(4);
    EXPECT_EQ(image.GetNearestIndex(Quad(0, 0, 15)), 0) << "only the important entries are searched";
}

TEST(ImagePalette, EveryPaletteChangeRefreshesTheNearestColour) {
    // The answer always belongs to the current palette, whichever operation
    // changed it.
    CKVXImage image(1, 1, 8);
    const RGBQUAD grey = Quad(100, 100, 100);
    image.SetGrayPalette();
    EXPECT_EQ(image.GetNearestIndex(grey), 100);
    image.BlendPalette(RGB(255, 255, 255), 50);  // entry i becomes (i + 255) / 2: 100 is nearest to 0
    EXPECT_EQ(image.GetNearestIndex(grey), 0);
    image.SetStdPalette();
    EXPECT_EQ(image.GetNearestIndex(grey), 238) << "98, 98, 98";
    image.SetGrayPalette();
    EXPECT_EQ(image.GetNearestIndex(grey), 100);
    image.AlphaPaletteClear();
    image.SwapIndex(100, 3);
    EXPECT_EQ(image.GetNearestIndex(grey), 3);
    CKVXImage other(1, 1, 8);
    other.SetStdPalette();
    image.Copy(other, false);
    EXPECT_EQ(image.GetNearestIndex(grey), 238);
}

TEST(ImagePalette, StandardPalettes) {
    CKVXImage four(1, 1, 4);
    four.SetStdPalette();
    EXPECT_TRUE(SameQuad(four.GetPaletteColor(1), Quad(128, 0, 0)));
    EXPECT_TRUE(SameQuad(four.GetPaletteColor(7), Quad(192, 192, 192)));
    EXPECT_TRUE(SameQuad(four.GetPaletteColor(8), Quad(128, 128, 128)));
    EXPECT_TRUE(SameQuad(four.GetPaletteColor(14), Quad(0, 255, 255)));

    CKVXImage eight(1, 1, 8);
    eight.SetStdPalette();
    const std::pair<int, RGBQUAD> spots[] = {
        {7, Quad(192, 192, 192)},  {8, Quad(192, 220, 192)},   {9, Quad(166, 202, 240)},
        {10, Quad(255, 240, 212)}, {11, Quad(255, 226, 177)},  {12, Quad(255, 212, 142)},
        {13, Quad(255, 198, 107)}, {14, Quad(255, 184, 72)},   {15, Quad(255, 170, 37)},
        {16, Quad(255, 170, 0)},   {17, Quad(220, 146, 0)},    {18, Quad(185, 122, 0)},
        {19, Quad(150, 98, 0)},    {20, Quad(115, 74, 0)},     {21, Quad(80, 50, 0)},
        {22, Quad(255, 227, 212)}, {40, Quad(254, 0, 0)},      {41, Quad(220, 0, 0)},
        {112, Quad(0, 0, 254)},    {225, Quad(80, 80, 0)},     {226, Quad(242, 242, 242)},
        {245, Quad(14, 14, 14)},   {246, Quad(255, 251, 240)}, {247, Quad(160, 160, 164)},
        {255, Quad(255, 255, 255)},
    };
    for (const auto& [index, colour] : spots)
        EXPECT_TRUE(SameQuad(eight.GetPaletteColor(static_cast<BYTE>(index)), colour))
            << index << ": " << QuadText(eight.GetPaletteColor(static_cast<BYTE>(index)));
    std::set<COLORREF> distinct;
    for (int i = 0; i < 256; ++i) distinct.insert(CKVXImage::RGBQUADtoRGB(eight.GetPaletteColor(static_cast<BYTE>(i))));
    EXPECT_GE(distinct.size(), 240u);
}

TEST(ImagePalette, SettersAndTests) {
    CKVXImage image(1, 1, 4);
    const BYTE red[3] = {10, 20, 30};
    image.SetPaletteColor(1, 0, 0, 0, 99);
    image.SetPalette(3, red);  // green and blue default to red
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(1), Quad(20, 20, 20, 99))) << "fourth byte kept";

    const CKVXImage::rgb_color triples[2] = {{1, 2, 3}, {4, 5, 6}};
    image.SetPalette(triples, 2);
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(1), Quad(4, 5, 6, 99)));

    const RGBQUAD quads[2] = {Quad(7, 8, 9, 1), Quad(10, 11, 12, 2)};
    image.SetPalette(quads, 2);
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(1), Quad(10, 11, 12, 2)));

    image.SetPaletteColor(2, RGB(64, 128, 255));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(2), Quad(64, 128, 255, 0)));
    image.SetPaletteColor(16, RGB(1, 1, 1));  // past the palette: ignored
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(16), Quad(0, 0, 0)));
    BYTE r = 0, g = 0, b = 0;
    EXPECT_TRUE(image.GetPaletteColor(2, &r, &g, &b));
    EXPECT_EQ(r + g + b, 64 + 128 + 255);
    EXPECT_FALSE(CKVXImage(1, 1, 24).GetPaletteColor(0, &r, &g, &b));

    image.SetGrayPalette();
    EXPECT_FALSE(image.IsGrayScale()) << "the 16-entry ramp steps by 17";
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(1), Quad(17, 17, 17, 2)));
    CKVXImage mono(1, 1, 1);
    mono.SetPaletteColor(1, 1, 1, 1);
    EXPECT_TRUE(mono.IsGrayScale());

    image.BlendPalette(RGB(255, 0, 0), 150);  // above 100 counts as 100
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(5), Quad(255, 0, 0, 0)));

    CKVXImage same(1, 1, 4);
    same.SetPalette(image.GetPalette(), 16);
    EXPECT_TRUE(same.IsSamePalette(image));
    same.SetPaletteColor(3, Quad(255, 0, 0, 7));
    EXPECT_FALSE(same.IsSamePalette(image, true));
    EXPECT_TRUE(same.IsSamePalette(image, false));
    EXPECT_FALSE(same.IsSamePalette(mono, false));

    image.SetClrImportant(300);
    EXPECT_EQ(image.GetClrImportant(), 0u);
    image.SetClrImportant(20);
    EXPECT_EQ(image.GetClrImportant(), 16u);
    CKVXImage rgb(1, 1, 24);
    rgb.SetClrImportant(5);
    EXPECT_EQ(rgb.GetClrImportant(), 0u);
}

TEST(ImagePalette, SwapIndexRelabelsPixels) {
    CKVXImage image(3, 1, 4);
    image.SetPaletteColor(1, 10, 10, 10);
    image.SetPaletteColor(2, 20, 20, 20);
    image.SetPixelIndex(0, 0, 1);
    image.SetPixelIndex(1, 0, 2);
    image.SetPixelIndex(2, 0, 3);
    image.SwapIndex(1, 2);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 2);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 1);
    EXPECT_EQ(image.GetPixelIndex(2, 0), 3);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(10, 10, 10)));
}

TEST(ImagePixel, BlendPixelColor) {
    CKVXImage rgb(1, 1, 24);
    rgb.AlphaCreate();
    rgb.SetPixelColor(0, 0, Quad(0, 100, 200));
    rgb.BlendPixelColor(0, 0, Quad(200, 100, 0, 33), 0.5f, true);
    EXPECT_TRUE(SameQuad(rgb.GetPixelColor(0, 0, true), Quad(100, 100, 100, 33)));
    rgb.BlendPixelColor(0, 0, Quad(0, 0, 0), 7.0f);  // held to 1: the colour itself
    EXPECT_TRUE(SameQuad(rgb.GetPixelColor(0, 0, false), Quad(0, 0, 0)));

    CKVXImage grey(1, 1, 8);
    grey.SetGrayPalette();
    grey.BlendPixelColor(0, 0, Quad(255, 255, 255), 0.25f);  // (255 * 64 + 0 * 192) >> 8
    EXPECT_EQ(grey.GetPixelIndex(0, 0), 63);
}

TEST(ImagePixel, IsTransparent) {
    CKVXImage indexed(2, 1, 8);
    indexed.SetPixelIndex(1, 0, 4);
    indexed.SetTransIndex(4);
    EXPECT_TRUE(indexed.IsTransparent(1, 0));
    EXPECT_FALSE(indexed.IsTransparent(0, 0));

    CKVXImage rgb(2, 1, 24);
    rgb.SetTransIndex(0);
    rgb.SetTransColor(Quad(1, 2, 3));
    rgb.SetPixelColor(0, 0, Quad(1, 2, 3));
    EXPECT_TRUE(rgb.IsTransparent(0, 0));
    EXPECT_FALSE(rgb.IsTransparent(1, 0));
    rgb.AlphaCreate();
    rgb.AlphaSet(1, 0, 0);
    EXPECT_TRUE(rgb.IsTransparent(1, 0));
    EXPECT_TRUE(rgb.IsTransparent(9, 9)) << "outside, the plane reads 0";
    EXPECT_FALSE(CKVXImage().IsTransparent(0, 0));
}

TEST(ImagePixel, DrawLineSetsEveryPointOnce) {
    struct Case {
        int x0, x1, y0, y1;
        std::set<std::pair<long, long>> points;
    };
    const Case cases[] = {
        {0, 3, 0, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {3, 0, 1, 0, {{3, 1}, {2, 1}, {1, 0}, {0, 0}}},
        {1, 2, 0, 4, {{1, 0}, {1, 1}, {2, 2}, {2, 3}, {2, 4}}},
        {2, 2, 2, 2, {{2, 2}}},
        {-2, 1, 0, 0, {{0, 0}, {1, 0}}},  // points outside are skipped
    };
    for (const Case& c : cases) {
        CKVXImage image(5, 5, 24);
        image.DrawLine(c.x0, c.x1, c.y0, c.y1, RGB(255, 255, 255));
        std::set<std::pair<long, long>> drawn;
        for (long y = 0; y < 5; ++y)
            for (long x = 0; x < 5; ++x)
                if (image.GetPixelColor(x, y, false).rgbRed == 255) drawn.insert({x, y});
        EXPECT_EQ(drawn, c.points) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
    }
}

TEST(ImagePixel, ColourConversions) {
    const COLORREF cr = RGB(64, 128, 255);
    const RGBQUAD q = CKVXImage::RGBtoRGBQUAD(cr);
    EXPECT_TRUE(SameQuad(q, Quad(64, 128, 255, 0)));
    EXPECT_EQ(CKVXImage::RGBQUADtoRGB(Quad(64, 128, 255, 9)), cr);

    ImageProbe rgb(3, 1, 24);  // effWidth 12
    BYTE buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    rgb.RGBtoBGR(buffer, 8);  // two whole groups; the partial third is left alone
    const BYTE swapped[8] = {3, 2, 1, 6, 5, 4, 7, 8};
    EXPECT_EQ(std::memcmp(buffer, swapped, 8), 0);
    ImageProbe indexed(3, 1, 8);
    indexed.RGBtoBGR(buffer, 8);
    EXPECT_EQ(std::memcmp(buffer, swapped, 8), 0) << "paletted images are left alone";
}

} // namespace
