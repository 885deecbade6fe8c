#include <gtest/gtest.h>

#include <QPainter>

#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXMemoryDeviceContext.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "Pendrel/Platform/KVXPainterDeviceContext.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "PlatformTestSupport.h"

using kvxplatformtest::InkBox;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 40;
constexpr COLORREF kBackground = RGB(30, 160, 90);

// The image library's test picture (red 10x+1, green 20y+2, blue x+y) with
// an alpha plane that runs from clear to opaque across it.
void MakeTestImage(CKVXImage& image, bool withAlpha) {
    image.Create(12, 9, 24);
    kvximagetest::FillPattern24(image);
    if (!withAlpha) return;
    image.AlphaCreate();
    for (long y = 0; y < 9; ++y)
        for (long x = 0; x < 12; ++x) image.AlphaSet(x, y, static_cast<BYTE>(std::min(255L, x * 23 + y * 3)));
}

// Draws the same way on the memory device and on a Qt image of the format
// through the painter device, and checks that every pixel agrees within
// the tolerance per channel.
template <class Draw> void ExpectSamePixels(Draw draw, QImage::Format format = QImage::Format_RGB32, int tolerance = 0) {
    CKVXMemoryDeviceContext memory(kWidth, kHeight, kBackground);
    QImage surface(kWidth, kHeight, format);
    surface.fill(KVXToQColor(kBackground));
    {
        QPainter painter(&surface);
        CKVXPainterDeviceContext painted(painter);
        draw(static_cast<HDC>(&memory));
        draw(static_cast<HDC>(&painted));
        EXPECT_EQ(painted.GetClipBox().right, kWidth);
    }
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const COLORREF expected = memory.GetPixel(x, y);
            const QRgb actual = surface.pixel(x, y);
            const int difference = std::max({std::abs(GetRValue(expected) - qRed(actual)),
                                             std::abs(GetGValue(expected) - qGreen(actual)),
                                             std::abs(GetBValue(expected) - qBlue(actual))});
            ASSERT_LE(difference, tolerance) << "pixel " << x << "," << y;
        }
}

TEST(PainterDeviceContext, DrawsTheTestImageWithTheMemoryDevicesPixels) {
    CKVXImage opaque;
    MakeTestImage(opaque, false);
    CKVXImage blended;
    MakeTestImage(blended, true);
    ExpectSamePixels([&](HDC dc) { opaque.Draw(dc, 3, 2); });
    ExpectSamePixels([&](HDC dc) { blended.Draw(dc, 5, 4); });
    ExpectSamePixels([&](HDC dc) { blended.Draw(dc, 20, 6, 30, 25, nullptr, true); });
    ExpectSamePixels([&](HDC dc) { opaque.Draw(dc, -4, -3, 40, 30); });
    RECT clip{8, 8, 20, 14};
    ExpectSamePixels([&](HDC dc) { blended.Draw(dc, 2, 2, 36, 27, &clip, false); });
    ExpectSamePixels([&](HDC dc) { opaque.Draw3(dc, 2, 2, 36, 27, &clip, false); });
}

TEST(PainterDeviceContext, OtherSurfacesBlendWithinOneMoreStep) {
    // Qt blends dividing by 255 where the device's rule shifts by 8 bits.
    CKVXImage blended;
    MakeTestImage(blended, true);
    RECT clip{8, 8, 20, 14};
    ExpectSamePixels([&](HDC dc) { blended.Draw(dc, 2, 2, 36, 27, &clip, true); },
                     QImage::Format_ARGB32_Premultiplied, 2);
    ExpectSamePixels([&](HDC dc) { blended.Draw(dc, 5, 4); }, QImage::Format_ARGB32_Premultiplied, 2);
}

TEST(PainterDeviceContext, APainterOffsetMovesTheDirectBlendToo) {
    CKVXImage blended;
    MakeTestImage(blended, true);
    CKVXMemoryDeviceContext memory(kWidth, kHeight, kBackground);
    blended.Draw(&memory, 10, 6);
    QImage surface(kWidth, kHeight, QImage::Format_RGB32);
    surface.fill(KVXToQColor(kBackground));
    {
        QPainter painter(&surface);
        painter.translate(7, 3);
        CKVXPainterDeviceContext dc(painter);
        blended.Draw(&dc, 3, 3);
    }
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) ASSERT_EQ(surface.pixel(x, y), KVXToQColor(memory.GetPixel(x, y)).rgb());
}

TEST(PainterDeviceContext, ClipsArePushedAndGivenBack) {
    QImage surface(100, 50, QImage::Format_RGB32);
    QPainter painter(&surface);
    CKVXPainterDeviceContext dc(painter);
    auto box = [&] {
        const RECT r = dc.GetClipBox();
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    };
    EXPECT_EQ(box(), "0,0,100,50");
    dc.PushClip(RECT{10, 10, 60, 40}, CKVXDeviceContext::ClipIntersect);
    EXPECT_EQ(box(), "10,10,60,40");
    dc.PushClip(RECT{50, 0, 90, 20}, CKVXDeviceContext::ClipIntersect);
    EXPECT_EQ(box(), "50,10,60,20");
    EXPECT_TRUE(dc.RectVisible(RECT{55, 15, 56, 16}));
    EXPECT_FALSE(dc.RectVisible(RECT{0, 0, 10, 10}));
    dc.PushClip(RECT{-10, 45, 30, 80}, CKVXDeviceContext::ClipReplace);
    EXPECT_EQ(box(), "0,45,30,50");
    dc.PushClip(RECT{0, 0, 5, 5}, CKVXDeviceContext::ClipIntersect);
    EXPECT_EQ(box(), "0,0,0,0");
    dc.PopClip();
    dc.PopClip();
    EXPECT_EQ(box(), "50,10,60,20");
    dc.PopClip();
    dc.PopClip();
    EXPECT_EQ(box(), "0,0,100,50");
    EXPECT_FALSE(painter.hasClipping());
    dc.PopClip();
    EXPECT_EQ(box(), "0,0,100,50");
}

TEST(PainterDeviceContext, TextIsMeasuredAndRenderedWhiteOnBlack) {
    QImage surface(10, 10, QImage::Format_RGB32);
    QPainter painter(&surface);
    CKVXPainterDeviceContext dc(painter);
    LOGFONTW font = {};
    font.lfHeight = -12;
    std::wcscpy(font.lfFaceName, L"DejaVu Sans");
    const SIZE one = dc.MeasureText(L"Word", font, DT_LEFT);
    const SIZE two = dc.MeasureText(L"Word\r\nWord", font, DT_LEFT);
    EXPECT_GT(one.cx, 0);
    EXPECT_EQ(two.cx, one.cx);
    EXPECT_EQ(two.cy, 2 * one.cy);

    std::vector<BYTE> bits(static_cast<size_t>(4 * 40) * 20, 0);
    const KVXPixelBlock block{bits.data(), 40, 20, 4 * 40, 24};
    dc.RenderText(L"Word", font, DT_LEFT, block);
    QImage rendered(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const BYTE* p = bits.data() + static_cast<size_t>(19 - y) * 160 + 3 * x;
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << "grey levels only";
            rendered.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    const QRect ink = InkBox(rendered, qRgb(0, 0, 0));
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(0, 0, one.cx, one.cy).contains(ink));
}

} // namespace
