// Drawing on the memory device: the blend of transparent pixels, natural
// size and refusals, scaling with and without smoothing, the clip rectangle
// and its restoration, tiling, colour-keyed drawing and stretching.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXMemoryDeviceContext.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::FillPattern24;
using kvximagetest::Quad;

namespace {

COLORREF ColorOf(const RGBQUAD& q) {
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

std::string ColorText(COLORREF c) {
    return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," + std::to_string(GetBValue(c));
}

std::string BoxText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Every device pixel equals what `expected` says (the background where it
// returns false).
void ExpectDevice(CKVXMemoryDeviceContext& dc, COLORREF background,
                  const std::function<bool(long, long, COLORREF&)>& expected) {
    for (long y = 0; y < dc.GetHeight(); ++y)
        for (long x = 0; x < dc.GetWidth(); ++x) {
            COLORREF want = background;
            expected(x, y, want);
            ASSERT_EQ(ColorText(dc.GetPixel(x, y)), ColorText(want)) << "device pixel " << x << "," << y;
        }
}

struct BlendCase {
    const char* name;
    std::function<void(CKVXImage&)> setUp;  // on a 1 x 1 24-bit image of (200, 100, 50)
    COLORREF background;
    COLORREF expected;
};

TEST(ImageDraw, BlendTable) {
    const COLORREF under = RGB(10, 20, 30);
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF source = RGB(200, 100, 50);
    auto plane = [](BYTE level) {
        return [level](CKVXImage& image) {
            image.AlphaCreate();
            image.AlphaSet(0, 0, level);
        };
    };
    auto indexed = [](long transIndex, BYTE paletteAlpha) {
        return [=](CKVXImage& image) {
            image.Create(1, 1, 8);
            image.SetPaletteColor(3, 200, 100, 50, paletteAlpha);
            image.SetPixelIndex(0, 0, 3);
            image.SetTransIndex(transIndex);
            image.AlphaPaletteEnable(paletteAlpha != 0);
        };
    };
    const BlendCase cases[] = {
        {"alpha 0", plane(0), under, under},
        {"alpha 255", plane(255), under, source},
        {"alpha 128", plane(128), under, RGB(104, 59, 39)},
        {"alpha 128 over black", plane(128), black, RGB(100, 50, 25)},
        {"alphaMax 127",
         [](CKVXImage& image) {
             image.AlphaCreate();
             image.AlphaSetMax(127);
         },
         black, RGB(99, 49, 24)},
        {"transparent colour",
         [](CKVXImage& image) {
             image.SetTransIndex(0);
             image.SetTransColor(Quad(200, 100, 50));
         },
         under, under},
        {"another transparent colour",
         [](CKVXImage& image) {
             image.SetTransIndex(0);
             image.SetTransColor(Quad(200, 100, 51));
         },
         under, source},
        {"transparent index", indexed(3, 0), under, under},
        {"another transparent index", indexed(4, 0), under, source},
        {"palette alpha 128", indexed(-1, 128), black, RGB(100, 50, 25)},
    };
    for (const BlendCase& c : cases) {
        CKVXImage image(1, 1, 24);
        image.SetPixelColor(0, 0, Quad(200, 100, 50));
        c.setUp(image);
        for (long size : {-1L, 3L}) {  // unscaled and scaled
            CKVXMemoryDeviceContext dc(4, 4, c.background);
            EXPECT_EQ(image.Draw(&dc, 0, 0, size, size), 1) << c.name;
            EXPECT_EQ(ColorText(dc.GetPixel(0, 0)), ColorText(c.expected)) << c.name << ", size " << size;
            EXPECT_EQ(ColorText(dc.GetPixel(3, 3)), ColorText(c.background)) << c.name;
        }
    }
}

TEST(ImageDraw, NaturalSizeAndRefusals) {
    CKVXImage image(3, 2, 24);
    FillPattern24(image);
    const COLORREF background = RGB(1, 2, 3);
    CKVXMemoryDeviceContext dc(12, 12, background);
    ASSERT_EQ(image.Draw(&dc, 5, 7), 1);
    EXPECT_EQ(dc.GetBlockCount(), 1) << "an opaque image goes to the device in one block";
    // Device row 7 is the image's top row.
    ExpectDevice(dc, background, [&](long x, long y, COLORREF& want) {
        if (x < 5 || x >= 8 || y < 7 || y >= 9) return false;
        want = ColorOf(image.GetPixelColor(x - 5, 8 - y));
        return true;
    });

    CKVXMemoryDeviceContext fresh(12, 12, background);
    EXPECT_EQ(image.Draw(&fresh, 0, 0, 0, -1), 0);
    EXPECT_EQ(image.Draw(&fresh, 0, 0, -1, 0), 0);
    EXPECT_EQ(image.Draw(nullptr, 0, 0), 0);
    image.Enable(false);
    EXPECT_EQ(image.Draw(&fresh, 0, 0), 0);
    EXPECT_EQ(image.Draw2(&fresh, 0, 0), 0);
    CKVXImage empty;
    EXPECT_EQ(empty.Draw(&fresh, 0, 0), 0);
    EXPECT_EQ(fresh.GetBlockCount(), 0);
    ExpectDevice(fresh, background, [](long, long, COLORREF&) { return false; });
}

TEST(ImageDraw, ScalingPicksPixelsAndSmoothingInterpolates) {
    CKVXImage image(2, 2, 24);
    FillPattern24(image);
    CKVXMemoryDeviceContext dc(6, 6);
    ASSERT_EQ(image.Draw(&dc, RECT{1, 1, 5, 5}), 1);
    ExpectDevice(dc, RGB(0, 0, 0), [&](long x, long y, COLORREF& want) {
        if (x < 1 || x >= 5 || y < 1 || y >= 5) return false;
        want = ColorOf(image.GetPixelColor((x - 1) / 2, 1 - (y - 1) / 2));
        return true;
    });

    CKVXImage large(4, 4, 24);
    FillPattern24(large);
    CKVXMemoryDeviceContext half(2, 2);
    ASSERT_EQ(large.Draw(&half, 0, 0, 2, 2), 1);
    EXPECT_EQ(half.GetPixel(0, 1), ColorOf(large.GetPixelColor(0, 0)));
    EXPECT_EQ(half.GetPixel(1, 1), ColorOf(large.GetPixelColor(2, 0)));
    EXPECT_EQ(half.GetPixel(0, 0), ColorOf(large.GetPixelColor(0, 2)));
    EXPECT_EQ(half.GetPixel(1, 0), ColorOf(large.GetPixelColor(2, 2)));

    // Smoothed: bilinear at the unrounded source positions minus one half,
    // edges clamped.
    CKVXImage pair(2, 1, 24);
    pair.SetPixelColor(0, 0, Quad(0, 0, 0));
    pair.SetPixelColor(1, 0, Quad(100, 0, 0));
    CKVXMemoryDeviceContext wide(4, 1);
    ASSERT_EQ(pair.Draw(&wide, 0, 0, 4, 1, nullptr, true), 1);
    const int reds[] = {0, 0, 50, 100};
    for (long x = 0; x < 4; ++x) EXPECT_EQ(GetRValue(wide.GetPixel(x, 0)), reds[x]) << x;

    // A palette image goes through its palette, scaled or not.
    CKVXImage indexed(2, 1, 4);
    indexed.SetPaletteColor(1, 9, 8, 7);
    indexed.SetPixelIndex(1, 0, 1);
    CKVXMemoryDeviceContext paletted(4, 1, RGB(50, 50, 50));
    indexed.Draw(&paletted, 0, 0);
    indexed.Draw(&paletted, 2, 0, 2, 1, nullptr, true);
    EXPECT_EQ(paletted.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(paletted.GetPixel(1, 0), RGB(9, 8, 7));
    EXPECT_EQ(paletted.GetPixel(3, 0), RGB(9, 8, 7));
}

TEST(ImageDraw, ClipRectangleIsCutOutAndTheClipRestored) {
    CKVXImage image(10, 10, 24);
    FillPattern24(image);
    for (bool transparent : {false, true}) {
        if (transparent) image.AlphaCreate();  // opaque alpha, but the transparent path
        CKVXMemoryDeviceContext dc(20, 20);
        dc.PushClip(RECT{2, 2, 8, 18}, CKVXDeviceContext::ClipIntersect);
        RECT clip{5, 5, 15, 15};
        ASSERT_EQ(image.Draw(&dc, 0, 0, 20, 20, &clip), 1);
        EXPECT_EQ(BoxText(dc.GetClipBox()), "2,2,8,18") << "the device's own clip comes back";
        EXPECT_EQ(dc.GetClipDepth(), 1u);
        ExpectDevice(dc, RGB(0, 0, 0), [&](long x, long y, COLORREF& want) {
            if (x < 5 || x >= 8 || y < 5 || y >= 15) return false;
            want = ColorOf(image.GetPixelColor(x / 2, 9 - y / 2));
            return true;
        });

        // Draw3: the clip rectangle replaces the device's clip.
        CKVXMemoryDeviceContext replaced(20, 20);
        replaced.PushClip(RECT{2, 2, 8, 18}, CKVXDeviceContext::ClipIntersect);
        ASSERT_EQ(image.Draw3(&replaced, 0, 0, 10, 10, &clip, false), 1);
        EXPECT_EQ(BoxText(replaced.GetClipBox()), "2,2,8,18");
        ExpectDevice(replaced, RGB(0, 0, 0), [&](long x, long y, COLORREF& want) {
            if (x < 5 || x >= 10 || y < 5 || y >= 10) return false;
            want = ColorOf(image.GetPixelColor(x, 9 - y));
            return true;
        });
    }
}

TEST(ImageDraw, TileCoversTheRectangleFromItsTopLeftCorner) {
    CKVXImage image(40, 30, 24);
    FillPattern24(image);
    CKVXMemoryDeviceContext dc(110, 60);
    RECT rect{0, 0, 100, 50};
    ASSERT_EQ(image.Tile(&dc, &rect), 1);
    EXPECT_EQ(dc.GetBlockCount(), 6) << "3 x 2 tiles";
    EXPECT_EQ(dc.GetClipDepth(), 0u);
    ExpectDevice(dc, RGB(0, 0, 0), [&](long x, long y, COLORREF& want) {
        if (x >= 100 || y >= 50) return false;
        want = ColorOf(image.GetPixelColor(x % 40, 29 - y % 30));
        return true;
    });

    // Only the tiles that reach the device's clip are drawn, however large
    // the rectangle.
    CKVXImage small(3, 2, 24);
    FillPattern24(small);
    CKVXMemoryDeviceContext window(10, 10);
    RECT huge{-2000000000, -2000000000, 2000000000, 2000000000};
    ASSERT_EQ(small.Tile(&window, &huge), 1);
    EXPECT_EQ(window.GetBlockCount(), 4 * 5);
    ExpectDevice(window, RGB(0, 0, 0), [&](long x, long y, COLORREF& want) {
        want = ColorOf(small.GetPixelColor((x + 2000000000L) % 3, 1 - y % 2));
        return true;
    });

    RECT flat{0, 0, 100, 0};
    EXPECT_EQ(image.Tile(&dc, &flat), 1);
    EXPECT_EQ(dc.GetBlockCount(), 6);
    EXPECT_EQ(image.Tile(&dc, nullptr), 0);
    EXPECT_EQ(image.Tile(nullptr, &rect), 0);
}

TEST(ImageDraw, ColourKeyedDrawingAndStretching) {
    CKVXImage image(2, 2, 24);
    FillPattern24(image);
    const RGBQUAD key = image.GetPixelColor(1, 1);
    image.SetTransIndex(0);
    image.SetTransColor(key);
    image.AlphaCreate();
    image.AlphaSet(0, 0, 0);  // Draw2 ignores the alpha plane
    const COLORREF background = RGB(7, 7, 7);
    CKVXMemoryDeviceContext dc(4, 4, background);
    ASSERT_EQ(image.Draw2(&dc, RECT{0, 0, 4, 4}), 1);
    ExpectDevice(dc, background, [&](long x, long y, COLORREF& want) {
        const RGBQUAD pixel = image.GetPixelColor(x / 2, 1 - y / 2);
        if (x / 2 == 1 && y / 2 == 0) return false;  // the key colour
        want = ColorOf(pixel);
        return true;
    });

    CKVXMemoryDeviceContext hidden(4, 4, background);
    hidden.PushClip(RECT{0, 0, 0, 0}, CKVXDeviceContext::ClipReplace);
    EXPECT_EQ(image.Draw2(&hidden, 0, 0), 1);
    EXPECT_EQ(hidden.GetBlockCount(), 0) << "nothing visible, nothing drawn";

    // Stretch copies every pixel, whatever the transparency or the enabled flag.
    image.Enable(false);
    CKVXMemoryDeviceContext stretched(4, 4, background);
    EXPECT_EQ(image.Stretch(&stretched, RECT{0, 0, 4, 4}, SRCCOPY), 1);
    ExpectDevice(stretched, background, [&](long x, long y, COLORREF& want) {
        want = ColorOf(image.GetPixelColor(x / 2, 1 - y / 2));
        return true;
    });
    EXPECT_EQ(image.Stretch(&stretched, 0, 0, 4, 4, 0x00660046u), 0) << "only a plain copy";
    EXPECT_EQ(image.Stretch(nullptr, 0, 0, 4, 4, SRCCOPY), 0);
}

} // namespace
