// Quarter and half turns at every depth (packed bits at 1 bpp, tiles of 64
// pixels), cutting out rectangles and enlarging the canvas.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "Pendrel/Image/tests/ImageTransformSupport.h"

using kvximagetest::ExpectSamePicture;
using kvximagetest::FillRandom;
using kvximagetest::ImageProbe;
using kvximagetest::PixelValue;
using kvximagetest::Quad;
using kvximagetest::SameQuad;

namespace {

const DWORD kDepths[] = {1, 4, 8, 24};

struct Turn {
    const char* name;
    bool (CKVXImage::*operation)(CKVXImage*);
    bool swapsSides;
    // The result pixel that source pixel (x, y) of a w x h image lands on.
    std::function<void(long w, long h, long x, long y, long& X, long& Y)> target;
};

const Turn kTurns[] = {
    {"left", &CKVXImage::RotateLeft, true,
     [](long, long h, long x, long y, long& X, long& Y) {
         X = h - 1 - y;
         Y = x;
     }},
    {"right", &CKVXImage::RotateRight, true,
     [](long w, long, long x, long y, long& X, long& Y) {
         X = y;
         Y = w - 1 - x;
     }},
    {"half", &CKVXImage::Rotate180, false,
     [](long w, long h, long x, long y, long& X, long& Y) {
         X = w - 1 - x;
         Y = h - 1 - y;
     }},
};

// Every source pixel and its alpha value land where the turn puts them.
void ExpectTurned(const Turn& turn, CKVXImage& source, CKVXImage& result) {
    const long w = source.GetWidth();
    const long h = source.GetHeight();
    ASSERT_EQ(result.GetWidth(), static_cast<DWORD>(turn.swapsSides ? h : w));
    ASSERT_EQ(result.GetHeight(), static_cast<DWORD>(turn.swapsSides ? w : h));
    ASSERT_EQ(result.GetBpp(), source.GetBpp());
    ASSERT_EQ(result.AlphaIsValid(), source.AlphaIsValid());
    int mismatches = 0;
    for (long y = 0; y < h; ++y)
        for (long x = 0; x < w; ++x) {
            long X, Y;
            turn.target(w, h, x, y, X, Y);
            if (PixelValue(source, x, y) == PixelValue(result, X, Y) && source.AlphaGet(x, y) == result.AlphaGet(X, Y))
                continue;
            if (++mismatches <= 5) ADD_FAILURE() << turn.name << ": source " << x << "," << y << " at " << X << "," << Y;
        }
    EXPECT_EQ(mismatches, 0) << turn.name << " at " << source.GetBpp() << " bpp, " << w << " x " << h;
}

TEST(ImageRotateCrop, TurnsMapEveryPixelAtEveryDepth) {
    // 3 x 2 as the smallest case, 130 x 70 across the tile edges.
    const long sizes[][2] = {{3, 2}, {13, 7}, {130, 70}};
    for (const long* size : sizes)
        for (DWORD bpp : kDepths)
            for (const Turn& turn : kTurns) {
                CKVXImage source(static_cast<DWORD>(size[0]), static_cast<DWORD>(size[1]), bpp);
                FillRandom(source, bpp * 7 + static_cast<uint32_t>(size[0]), size[0] > 3);
                CKVXImage result;
                ASSERT_TRUE((source.*turn.operation)(&result)) << turn.name;
                ExpectTurned(turn, source, result);
                ASSERT_EQ(result.GetNumColors(), source.GetNumColors());
                if (source.IsIndexed()) {
                    EXPECT_TRUE(result.IsSamePalette(source)) << turn.name << " at " << bpp << " bpp";
                }
            }
}

TEST(ImageRotateCrop, SmallestCaseNamesTheTurnedPixels) {
    CKVXImage source(3, 2, 24);
    source.SetPixelColor(0, 0, Quad(1, 2, 3));
    CKVXImage left;
    CKVXImage right;
    ASSERT_TRUE(source.RotateLeft(&left));
    ASSERT_TRUE(source.RotateRight(&right));
    EXPECT_TRUE(SameQuad(left.GetPixelColor(1, 0, false), Quad(1, 2, 3)));
    EXPECT_TRUE(SameQuad(right.GetPixelColor(0, 2, false), Quad(1, 2, 3)));
}

TEST(ImageRotateCrop, FourTurnsOrLeftThenRightGiveTheOriginal) {
    for (DWORD bpp : kDepths)
        for (DWORD width : {13u, 130u}) {
            const DWORD height = width == 13 ? 7 : 70;
            CKVXImage original(width, height, bpp);
            FillRandom(original, width + bpp, true);
            CKVXImage turned(original);
            for (int i = 0; i < 4; ++i) ASSERT_TRUE(turned.RotateLeft());
            ExpectSamePicture(turned, original);
            ASSERT_TRUE(turned.RotateLeft());
            ASSERT_TRUE(turned.RotateRight());
            ExpectSamePicture(turned, original);
        }
}

TEST(ImageRotateCrop, FillBitsOfOneBitRowsAreNotTurned) {
    // 13 pixels use 2 bytes of a 4-byte row: the rest is fill.
    ImageProbe source(13, 5, 1);
    for (DWORD y = 0; y < 5; ++y) {
        BYTE* row = source.GetBits(y);
        row[1] |= 0x07;
        row[2] = row[3] = 0xFF;
    }
    for (const Turn& turn : kTurns) {
        CKVXImage result;
        ASSERT_TRUE((source.*turn.operation)(&result));
        ExpectTurned(turn, source, result);
        // Only the three pixels 13 - 15 of each row were set beyond column 12:
        // none of them, nor the fill, may appear.
        long set = 0;
        for (long y = 0; y < static_cast<long>(result.GetHeight()); ++y)
            for (long x = 0; x < static_cast<long>(result.GetWidth()); ++x) set += result.GetPixelIndex(x, y);
        EXPECT_EQ(set, 0) << turn.name;
    }
}

TEST(ImageRotateCrop, TurnsWithoutDestinationReplaceTheImageAndDropTheSelection) {
    CKVXImage image(5, 3, 8);
    FillRandom(image, 3, false);
    image.SelectionAddRect(RECT{0, 3, 2, 0});
    CKVXImage before(image);
    ASSERT_TRUE(image.RotateRight());
    EXPECT_EQ(image.GetWidth(), 3u);
    EXPECT_FALSE(image.SelectionIsValid());
    ExpectTurned(kTurns[1], before, image);

    CKVXImage empty;
    for (const Turn& turn : kTurns) EXPECT_FALSE((empty.*turn.operation)(nullptr)) << turn.name;
}

// ----- Crop --------------------------------------------------------------------

struct CropCase {
    long left, top, right, bottom;
    bool succeeds;
    // The expected result in buffer terms: first column and row, size.
    long x, y, width, height;
};

TEST(ImageRotateCrop, CropTable) {
    const long w = 30;
    const long h = 20;
    const CropCase cases[] = {
        {10, 0, 10, 5, false, 0, 0, 0, 0},
        {10, 0, 20, 5, true, 10, 15, 10, 5},
        {20, 5, 10, 0, true, 10, 15, 10, 5},          // corners swapped
        {0, 0, w, 1, true, 0, h - 1, w, 1},           // the top row of the picture
        {-5, -5, 5, 3, true, 0, h - 3, 5, 3},         // cut to the image
        {25, 15, 100, 100, true, 25, 0, 5, 5},        // cut to the image
        {40, 0, 50, 10, false, 0, 0, 0, 0},           // wholly outside: no width left
        {0, 0, w, h, true, 0, 0, w, h},
    };
    for (DWORD bpp : kDepths) {
        CKVXImage source(static_cast<DWORD>(w), static_cast<DWORD>(h), bpp);
        FillRandom(source, bpp, true);
        for (const CropCase& c : cases) {
            const std::string what = std::to_string(bpp) + " bpp (" + std::to_string(c.left) + "," +
                                     std::to_string(c.top) + "," + std::to_string(c.right) + "," +
                                     std::to_string(c.bottom) + ")";
            CKVXImage result;
            ASSERT_EQ(source.Crop(c.left, c.top, c.right, c.bottom, &result), c.succeeds) << what;
            if (!c.succeeds) {
                EXPECT_FALSE(result.IsValid()) << what;
                continue;
            }
            ASSERT_EQ(result.GetWidth(), static_cast<DWORD>(c.width)) << what;
            ASSERT_EQ(result.GetHeight(), static_cast<DWORD>(c.height)) << what;
            int mismatches = 0;
            for (long y = 0; y < c.height; ++y)
                for (long x = 0; x < c.width; ++x)
                    if (PixelValue(result, x, y) != PixelValue(source, c.x + x, c.y + y) ||
                        result.AlphaGet(x, y) != source.AlphaGet(c.x + x, c.y + y))
                        ++mismatches;
            EXPECT_EQ(mismatches, 0) << what;
        }
    }
}

TEST(ImageRotateCrop, CropKeepsPaletteAndTransparencyButResetsTheRest) {
    CKVXImage source(8, 8, 8);
    FillRandom(source, 1, false);
    source.SetTransIndex(9);
    source.SetXDPI(300);
    source.SetJpegQuality(40);
    source.SelectionAddRect(RECT{0, 8, 8, 0});
    const RECT rect{2, 2, 6, 5};
    ASSERT_TRUE(source.Crop(rect));
    EXPECT_EQ(source.GetWidth(), 4u);
    EXPECT_EQ(source.GetHeight(), 3u);
    EXPECT_EQ(source.GetTransIndex(), 9);
    EXPECT_EQ(source.GetXDPI(), 96);
    EXPECT_EQ(source.GetJpegQuality(), 90);
    EXPECT_FALSE(source.SelectionIsValid());
    EXPECT_TRUE(SameQuad(source.GetPaletteColor(200), Quad(200, 55, 120)));
}

// ----- Expand ------------------------------------------------------------------

TEST(ImageRotateCrop, ExpandPutsOddMarginsRightAndBelow) {
    const RGBQUAD border = Quad(200, 10, 20);
    for (DWORD bpp : kDepths) {
        CKVXImage source(5, 4, bpp);
        FillRandom(source, 2, true);
        if (source.IsIndexed()) source.SetPaletteColor(0, border);
        CKVXImage result;
        ASSERT_TRUE(source.Expand(5L + 3, 4L + 1, border, &result)) << bpp;
        ASSERT_EQ(result.GetWidth(), 8u);
        ASSERT_EQ(result.GetHeight(), 5u);
        EXPECT_FALSE(result.AlphaIsValid());
        // One column left, two right, no row above, one below (row 0).
        for (long y = 0; y < 5; ++y)
            for (long x = 0; x < 8; ++x) {
                const bool picture = x >= 1 && x <= 5 && y >= 1;
                if (picture) {
                    EXPECT_EQ(PixelValue(result, x, y), PixelValue(source, x - 1, y - 1)) << bpp << ": " << x << "," << y;
                } else {
                    EXPECT_TRUE(SameQuad(result.GetPixelColor(x, y, false), border)) << bpp << ": " << x << "," << y;
                }
            }
    }
}

TEST(ImageRotateCrop, ExpandBorderTakesTheNearestPaletteEntry) {
    CKVXImage source(2, 2, 8);
    source.SetGrayPalette();
    ASSERT_TRUE(source.Expand(1, 1, 1, 1, Quad(100, 103, 100)));
    EXPECT_EQ(source.GetPixelIndex(0, 0), 101);
    EXPECT_EQ(source.GetPixelIndex(3, 3), 101);
    EXPECT_EQ(source.GetPixelIndex(1, 1), 0);
}

TEST(ImageRotateCrop, ExpandRefusesNegativeMarginsAndSmallerSizes) {
    CKVXImage source(5, 4, 24);
    const RGBQUAD border = Quad(0, 0, 0);
    EXPECT_FALSE(source.Expand(-1, 0, 0, 0, border));
    EXPECT_FALSE(source.Expand(4L, 4L, border));
    EXPECT_FALSE(source.Expand(5L, 3L, border));
    EXPECT_FALSE(source.Expand(0, 0, 0x7FFFFFFF, 0, border));
    EXPECT_EQ(source.GetWidth(), 5u);
    CKVXImage empty;
    EXPECT_FALSE(empty.Expand(1, 1, 1, 1, border));
}

TEST(ImageRotateCrop, DestinationLeavesTheSourceUnchanged) {
    CKVXImage source(9, 6, 24);
    FillRandom(source, 4, true);
    CKVXImage before(source);
    std::function<bool(CKVXImage*)> operations[] = {
        [&](CKVXImage* d) { return source.RotateLeft(d); },
        [&](CKVXImage* d) { return source.RotateRight(d); },
        [&](CKVXImage* d) { return source.Rotate180(d); },
        [&](CKVXImage* d) { return source.Crop(1, 1, 5, 4, d); },
        [&](CKVXImage* d) { return source.Expand(2, 2, 2, 2, Quad(1, 2, 3), d); },
        [&](CKVXImage* d) { return source.Expand(20L, 20L, Quad(1, 2, 3), d); },
    };
    for (auto& operation : operations) {
        CKVXImage destination;
        ASSERT_TRUE(operation(&destination));
        EXPECT_TRUE(destination.IsValid());
        ExpectSamePicture(source, before);
    }
}

} // namespace
