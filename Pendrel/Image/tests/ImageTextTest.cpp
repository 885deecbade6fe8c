// Text into images, with the memory device's block font: measuring, a plain
// text in one colour, and text descriptions with their box, round corners,
// blending, alignment and the normalisation of their fields.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <utility>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXMemoryDeviceContext.h"
#include "Pendrel/Image/KVXTextInfo.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

using PixelSet = std::set<std::pair<long, long>>;

LOGFONTW Font(LONG height, LONG weight = FW_NORMAL) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    return font;
}

// The pixels of the image that have the colour, as (column, row from the top).
PixelSet PixelsOf(CKVXImage& image, const RGBQUAD& color) {
    PixelSet pixels;
    const long height = image.GetHeight();
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            if (c.rgbRed == color.rgbRed && c.rgbGreen == color.rgbGreen && c.rgbBlue == color.rgbBlue)
                pixels.insert({x, height - 1 - y});
        }
    return pixels;
}

PixelSet Block(long left, long top, long right, long bottom) {
    PixelSet pixels;
    for (long y = top; y < bottom; ++y)
        for (long x = left; x < right; ++x) pixels.insert({x, y});
    return pixels;
}

TEST(ImageText, BlockFontMeasuresCellsAndLines) {
    CKVXMemoryDeviceContext dc(0, 0);
    const struct {
        const wchar_t* text;
        UINT format;
        LONG width, height;
    } cases[] = {
        {L"AB", 0, 16, 16},
        {L"A\rBCD", 0, 24, 32},
        {L"A\r\nB\nC", 0, 8, 48},
        {L"&Save", 0, 32, 16},
        {L"&Save", DT_NOPREFIX, 40, 16},
        {L"a&&b&", 0, 24, 16},
        {L"", 0, 0, 0},
    };
    for (const auto& c : cases) {
        const SIZE size = dc.MeasureText(c.text, Font(-16), c.format);
        EXPECT_EQ(size.cx, c.width) << static_cast<const void*>(c.text);
        EXPECT_EQ(size.cy, c.height);
    }
    EXPECT_EQ(dc.MeasureText(L"x", Font(0), 0).cy, 16) << "height 0: the default cell";
    EXPECT_EQ(dc.MeasureText(L"x", Font(INT32_MIN), 0).cy, 1024) << "cells are at most 1024 high";
}

TEST(ImageText, BlockFontDrawsBlocksUnderlinesAndAlignment) {
    CKVXImage image(20, 16, 24);
    image.Clear(0);
    CKVXMemoryDeviceContext dc(0, 0);
    const KVXPixelBlock block{image.GetBits(0), 20, 16, static_cast<LONG>(image.GetEffWidth()), 24};
    dc.RenderText(L"a &b", Font(-8), DT_RIGHT, block);
    // Three cells of 4 x 8 end at the right edge: columns 8-11, 12-15, 16-19.
    // A block fills columns 1-2 and rows 2-6 of its cell; "b" is underlined.
    PixelSet expected = Block(9, 2, 11, 7);
    for (const auto& p : Block(17, 2, 19, 7)) expected.insert(p);
    for (const auto& p : Block(16, 7, 20, 8)) expected.insert(p);
    EXPECT_EQ(PixelsOf(image, Quad(255, 255, 255)), expected);
}

TEST(ImageText, DrawStringPutsTheTextsBottomOnTheLine) {
    CKVXImage image(40, 30, 24);
    image.Clear(0);
    image.AlphaCreate();
    image.AlphaSet(static_cast<BYTE>(0));
    const RGBQUAD color = Quad(200, 10, 20, 180);
    ASSERT_EQ(image.DrawString(nullptr, 2, 20, L"I", color, L"Arial", -8, FW_NORMAL, 0, 0, true), 1);
    // One cell of 4 x 8 from (2, 13) to (6, 21): its block is columns 3-4,
    // rows 15-19 from the top.
    EXPECT_EQ(PixelsOf(image, color), Block(3, 15, 5, 20));
    EXPECT_EQ(image.AlphaGet(3, 29 - 15), 180) << "setAlpha writes the colour's fourth byte";
    EXPECT_EQ(image.AlphaGet(2, 29 - 15), 0);

    CKVXMemoryDeviceContext dc(0, 0);
    CKVXImage bold(40, 30, 24);
    bold.Clear(0);
    ASSERT_EQ(bold.DrawString(&dc, 2, 20, L"I", color, L"Arial", -8, FW_BOLD, 0, 1, false), 1);
    PixelSet expected = Block(2, 15, 6, 20);
    for (const auto& p : Block(2, 20, 6, 21)) expected.insert(p);
    EXPECT_EQ(PixelsOf(bold, color), expected) << "bold fills the whole cell width; underlined";

    CKVXImage empty;
    EXPECT_EQ(empty.DrawString(nullptr, 0, 0, L"x", color, nullptr, -8, 400, 0, 0, false), 1);
}

TEST(ImageText, TextInfoDefaults) {
    tagKVXTextInfo info;
    std::memset(&info, 0x5A, sizeof info);
    CKVXImage image;
    image.InitTextInfo(&info);
    EXPECT_STREQ(info.textBuffer, L"Sample Text 01234\u00F5\u00FB");
    EXPECT_EQ(info.font.lfHeight, -36);
    EXPECT_EQ(info.font.lfWidth, 0);
    EXPECT_EQ(info.font.lfWeight, 400);
    EXPECT_EQ(info.font.lfItalic, 0);
    EXPECT_EQ(info.font.lfCharSet, 238);
    EXPECT_EQ(info.font.lfQuality, 2);
    EXPECT_STREQ(info.font.lfFaceName, L"Arial");
    EXPECT_EQ(info.textColor, RGB(255, 255, 160));
    EXPECT_EQ(info.alignment, 1);
    EXPECT_TRUE(info.boxed);
    EXPECT_EQ(info.boxColor, RGB(32, 96, 0));
    EXPECT_EQ(info.boxBlend, 0.0f);
    EXPECT_EQ(info.boxRound, 20);
    EXPECT_EQ(info.textBuffer[100], 0) << "all other bytes are zero";
}

TEST(ImageText, DrawStringExBoxGeometryWithTheDefaults) {
    // 19 cells of 18 x 36: text 342 x 36. Line height 36, corner radius
    // 20 % = 7, inset trunc(7 * 0.29289) = 2; the width grows by 36 / 3 = 12:
    // text area 354 x 36, box 358 x 40, centred on x = 200: columns 21-378.
    // Its bottom edge is line y = 80: rows 41-80 from the top.
    CKVXImage image(400, 100, 24);
    image.Clear(0);
    tagKVXTextInfo info;
    image.InitTextInfo(&info);
    ASSERT_EQ(image.DrawStringEx(nullptr, 200, 80, &info), 1);

    const RGBQUAD box = Quad(32, 96, 0);
    const RGBQUAD text = Quad(255, 255, 160);
    const PixelSet boxPixels = PixelsOf(image, box);
    const PixelSet textPixels = PixelsOf(image, text);
    PixelSet painted = boxPixels;
    painted.insert(textPixels.begin(), textPixels.end());
    // Round corners: the outermost column skips k = trunc(7 + 0.5 - 0) = 7
    // rows at each end; the column at the circle's centre skips none.
    PixelSet expected;
    for (long c = 0; c < 358; ++c) {
        long skip = 0;
        if (c <= 7 || c >= 350) {
            const double d = c <= 7 ? 7 - c : c - 350;
            skip = static_cast<long>(7.5 - std::sqrt(49.0 - d * d));
        }
        for (long j = skip; j < 40 - skip; ++j) expected.insert({21 + c, 80 - j});
    }
    EXPECT_EQ(painted, expected);

    // The text lies inside the box, inset on every side: the first cell's
    // block starts at column 21 + 2 + 6 (centring 342 in 354) + 1, and the
    // cells' blocks span rows 9-31 of the text area, which starts at row 43.
    ASSERT_FALSE(textPixels.empty());
    long left = 1000, right = 0, top = 1000, bottom = 0;
    for (const auto& [x, y] : textPixels) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    EXPECT_EQ(left, 30);
    EXPECT_EQ(right, 21 + 2 + 6 + 18 * 18 + 16);
    EXPECT_EQ(top, 43 + 9);
    EXPECT_EQ(bottom, 43 + 31);
}

TEST(ImageText, DrawStringExBlendAlignmentAndNormalisation) {
    CKVXImage image(120, 40, 24);
    const RGBQUAD under = Quad(200, 100, 50);
    for (long y = 0; y < 40; ++y)
        for (long x = 0; x < 120; ++x) image.SetPixelColor(x, y, under);
    image.AlphaCreate();
    image.AlphaSet(static_cast<BYTE>(0));
    tagKVXTextInfo info;
    image.InitTextInfo(&info);
    std::wcscpy(info.textBuffer, L"ab");
    info.font.lfHeight = -16;
    info.alignment = 7;
    info.boxRound = 60;
    info.boxBlend = 0.5f;
    ASSERT_EQ(image.DrawStringEx(nullptr, 60, 30, &info, true), 1);
    EXPECT_EQ(info.alignment, 1);
    EXPECT_EQ(info.boxRound, 10);
    EXPECT_FLOAT_EQ(info.boxBlend, 0.5f) << "within 0 ... 1 it stays";
    // Text 16 x 16 plus 16 / 3 = 5: 21 x 16; radius 1, inset 0; centred on
    // 60: columns 50-70. Box pixels mix the image and the box half and half.
    const RGBQUAD mixed = Quad(116, 98, 25);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(50, 39 - 25, false), mixed)) << QuadText(image.GetPixelColor(50, 14));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(49, 39 - 25, false), under));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(70, 39 - 25, false), mixed));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(71, 39 - 25, false), under));
    EXPECT_EQ(image.AlphaGet(60, 39 - 25), 255) << "colours without alpha are written opaque";
    EXPECT_EQ(image.AlphaGet(49, 39 - 25), 0);

    // Left and right alignment anchor the box at x; a negative start is 0.
    const struct {
        int alignment;
        long x;
        long firstColumn;
    } anchors[] = {{0, 30, 30}, {2, 30, 9}, {2, 5, 0}};
    for (const auto& a : anchors) {
        CKVXImage plain(120, 40, 24);
        plain.Clear(0);
        info.alignment = a.alignment;
        info.boxBlend = 2.0f;
        ASSERT_EQ(plain.DrawStringEx(nullptr, a.x, 30, &info), 1);
        EXPECT_EQ(info.boxBlend, 0.0f);
        long first = -1;
        for (long x = 0; x < 120 && first < 0; ++x)
            if (SameQuad(plain.GetPixelColor(x, 39 - 25, false), Quad(32, 96, 0))) first = x;
        EXPECT_EQ(first, a.firstColumn) << "alignment " << a.alignment << " at " << a.x;
    }

    CKVXImage empty;
    EXPECT_EQ(empty.DrawStringEx(nullptr, 0, 0, &info), -1);
}

} // namespace
