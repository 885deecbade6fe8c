// Rotation by any angle (nearest pixel and interpolated, with the exact
// quarter-turn shortcuts), rectangles cut out at an angle, shearing and the
// radial distortions.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "Pendrel/Image/tests/ImageTransformSupport.h"

using kvximagetest::ExpectSamePicture;
using kvximagetest::FillPattern24;
using kvximagetest::FillRandom;
using kvximagetest::ImageProbe;
using kvximagetest::PixelValue;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

// Byte for byte the same picture block and alpha plane.
void ExpectSameBytes(ImageProbe& a, ImageProbe& b) {
    ASSERT_EQ(a.GetSize(), b.GetSize());
    EXPECT_EQ(std::memcmp(a.Dib(), b.Dib(), static_cast<size_t>(a.GetSize())), 0);
    ASSERT_EQ(a.AlphaIsValid(), b.AlphaIsValid());
    if (a.AlphaIsValid()) {
        EXPECT_EQ(std::memcmp(a.Alpha(), b.Alpha(), static_cast<size_t>(a.GetWidth()) * a.GetHeight()), 0);
    }
}

TEST(ImageFreeTransform, RotateByZeroFramesThePicture) {
    CKVXImage source(4, 3, 24);
    FillPattern24(source);
    source.AlphaCreate();
    source.AlphaSet(2, 1, 70);
    CKVXImage result;
    ASSERT_TRUE(source.Rotate(0.0f, &result));
    ASSERT_EQ(result.GetWidth(), 6u);
    ASSERT_EQ(result.GetHeight(), 5u);
    for (long y = 0; y < 5; ++y)
        for (long x = 0; x < 6; ++x) {
            // Column and row 0 repeat the first source column and row; the
            // last ones read outside the source.
            const long sx = x == 0 ? 0 : x - 1;
            const long sy = y == 0 ? 0 : y - 1;
            const bool outside = sx >= 4 || sy >= 3;
            const RGBQUAD expected = outside ? source.GetPixelColor(0, 0, false) : source.GetPixelColor(sx, sy, false);
            EXPECT_TRUE(SameQuad(result.GetPixelColor(x, y, false), expected)) << x << "," << y;
            EXPECT_EQ(result.AlphaGet(x, y), outside ? 0 : source.AlphaGet(sx, sy)) << x << "," << y;
        }
}

TEST(ImageFreeTransform, RotateLeavesUncoveredCornersTransparent) {
    for (DWORD bpp : {8u, 24u}) {
        CKVXImage image(40, 40, bpp);
        FillRandom(image, 9, false);
        image.AlphaCreate();
        ASSERT_TRUE(image.Rotate(45.0f));
        const long w = image.GetWidth();
        const long h = image.GetHeight();
        EXPECT_GT(w, 55);
        EXPECT_EQ(image.AlphaGet(1, 1), 0);
        EXPECT_EQ(image.AlphaGet(w - 2, h - 2), 0);
        EXPECT_EQ(image.AlphaGet(w / 2, h / 2), 255);
    }
}

TEST(ImageFreeTransform, Rotate2ByRightAnglesIsExactlyTheQuarterTurn) {
    struct Case {
        float angle;
        bool (CKVXImage::*turn)(CKVXImage*);
    };
    const Case cases[] = {{90.0f, &CKVXImage::RotateRight},
                          {-90.0f, &CKVXImage::RotateLeft},
                          {270.0f, &CKVXImage::RotateLeft},
                          {180.0f, &CKVXImage::Rotate180}};
    for (DWORD bpp : {1u, 8u, 24u})
        for (const Case& c : cases) {
            ImageProbe source(13, 7, bpp);
            FillRandom(source, bpp, true);
            ImageProbe expected;
            ImageProbe result;
            ASSERT_TRUE((source.*c.turn)(&expected));
            ASSERT_TRUE(source.Rotate2(c.angle, &result, CKVXImage::InterpolationBilinear,
                                       CKVXImage::OverflowFillColor, nullptr, true, false));
            ExpectSameBytes(result, expected);
        }
}

TEST(ImageFreeTransform, Rotate2WithoutShortcutsInterpolatesToTheTurnedSize) {
    CKVXImage source(13, 7, 24);
    FillPattern24(source);
    CKVXImage result;
    ASSERT_TRUE(source.Rotate2(90.0f, &result, CKVXImage::InterpolationNearest, CKVXImage::OverflowClampToEdge,
                               nullptr, false, false));
    ASSERT_EQ(result.GetWidth(), 7u);
    ASSERT_EQ(result.GetHeight(), 13u);
    // Nearest sampling at a right angle lands on the same pixels as the turn.
    CKVXImage turned;
    ASSERT_TRUE(source.RotateRight(&turned));
    ExpectSamePicture(result, turned);
}

TEST(ImageFreeTransform, Rotate2ByATinyAngleOnlyCopies) {
    CKVXImage source(9, 5, 24);
    FillPattern24(source);
    source.AlphaCreate();
    source.SelectionAddRect(RECT{1, 4, 3, 1});
    CKVXImage before(source);
    CKVXImage copy;
    ASSERT_TRUE(source.Rotate2(0.001f, &copy, CKVXImage::InterpolationBilinear, CKVXImage::OverflowFillColor, nullptr,
                               true, false));
    ExpectSamePicture(copy, before);
    EXPECT_TRUE(copy.SelectionIsValid());
    ExpectSamePicture(source, before);
    ASSERT_TRUE(source.Rotate2(0.001f, nullptr, CKVXImage::InterpolationBilinear, CKVXImage::OverflowFillColor,
                               nullptr, true, false));
    ExpectSamePicture(source, before);
}

TEST(ImageFreeTransform, Rotate2KeepingTheSizeFillsTheCornersWithTheReplacement) {
    RGBQUAD grey = Quad(90, 90, 90, 40);
    for (RGBQUAD* outside : {static_cast<RGBQUAD*>(nullptr), &grey}) {
        CKVXImage image(30, 30, 24);
        FillPattern24(image);
        image.AlphaCreate();
        ASSERT_TRUE(image.Rotate2(45.0f, nullptr, CKVXImage::InterpolationNearest, CKVXImage::OverflowFillColor,
                                  outside, true, true));
        ASSERT_EQ(image.GetWidth(), 30u);
        ASSERT_EQ(image.GetHeight(), 30u);
        const RGBQUAD expected = outside ? grey : Quad(255, 255, 255, 0);
        for (long corner : {0L, 29L}) {
            EXPECT_TRUE(SameQuad(image.GetPixelColor(corner, corner, true), expected))
                << QuadText(image.GetPixelColor(corner, corner, true));
        }
        // The centre stays where it was.
        EXPECT_EQ(image.AlphaGet(15, 15), 255);
    }
}

TEST(ImageFreeTransform, CropRotatedRectangleAtZeroIsACrop) {
    CKVXImage source(20, 16, 24);
    FillPattern24(source);
    source.AlphaCreate();
    CKVXImage cropped;
    CKVXImage expected;
    ASSERT_TRUE(source.CropRotatedRectangle(3, 2, 10, 6, 0.0f, &cropped));
    ASSERT_TRUE(source.Crop(3, 2, 13, 8, &expected));
    ExpectSamePicture(cropped, expected);
}

// A black picture holding a white rectangle at an angle (radians; width
// along (cos, sin), height along (-sin, cos), y counted from the top).
void PaintTurnedRectangle(CKVXImage& image, long left, long top, long width, long height, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const long imageHeight = image.GetHeight();
    for (long py = 0; py < imageHeight; ++py)
        for (long px = 0; px < static_cast<long>(image.GetWidth()); ++px) {
            const double dx = px + 0.5 - left;
            const double dy = py + 0.5 - top;
            const double u = dx * c + dy * s;
            const double v = -dx * s + dy * c;
            const bool inside = u >= 0 && u < width && v >= 0 && v < height;
            image.SetPixelColor(px, imageHeight - 1 - py, inside ? Quad(255, 255, 255) : Quad(0, 0, 0));
        }
}

TEST(ImageFreeTransform, CropRotatedRectangleHoldsTheWholeRectangleAtEitherSign) {
    for (double angle : {0.4, -0.4, 1.2, -1.2}) {
        CKVXImage image(200, 200, 24);
        PaintTurnedRectangle(image, 90, 80, 50, 30, angle);
        ASSERT_TRUE(image.CropRotatedRectangle(90, 80, 50, 30, static_cast<float>(angle))) << angle;
        ASSERT_EQ(image.GetWidth(), 50u) << angle;
        ASSERT_EQ(image.GetHeight(), 30u) << angle;
        // Inside a border of two pixels everything is the rectangle's.
        int black = 0;
        for (long y = 2; y < 28; ++y)
            for (long x = 2; x < 48; ++x)
                if (image.GetPixelColor(x, y, false).rgbRed < 128) ++black;
        EXPECT_EQ(black, 0) << angle;
    }
}

TEST(ImageFreeTransform, CropRotatedRectangleFailsWhenTheBoxLeavesTheImage) {
    CKVXImage image(50, 50, 24);
    EXPECT_FALSE(image.CropRotatedRectangle(5, 5, 60, 10, 0.3f));
    EXPECT_FALSE(image.CropRotatedRectangle(2, 5, 20, 20, 0.5f));
    EXPECT_EQ(image.GetWidth(), 50u);
}

TEST(ImageFreeTransform, SkewByNothingIsTheIdentity) {
    for (DWORD bpp : {4u, 8u, 24u}) {
        CKVXImage image(11, 6, bpp);
        FillRandom(image, 4, true);
        CKVXImage before(image);
        ASSERT_TRUE(image.Skew(0.0f, 0.0f, 3, 2, false));
        ExpectSamePicture(image, before);
    }
}

TEST(ImageFreeTransform, SkewChangesOnlyTheSelection) {
    CKVXImage image(10, 10, 24);
    FillPattern24(image);
    image.SelectionAddRect(RECT{2, 8, 6, 4});
    CKVXImage before(image);
    ASSERT_TRUE(image.Skew(0.0f, 1.0f, 0, 0, false));
    for (long y = 0; y < 10; ++y)
        for (long x = 0; x < 10; ++x) {
            const bool selected = x >= 2 && x < 6 && y >= 4 && y < 8;
            const long sourceY = selected ? y + x : y;
            const RGBQUAD expected = before.GetPixelColor(x, sourceY, false);
            EXPECT_TRUE(SameQuad(image.GetPixelColor(x, y, false), expected)) << x << "," << y;
        }
}

TEST(ImageFreeTransform, CircleType4ShiftsColumnsInsideTheDisc) {
    CKVXImage image(64, 64, 24);
    FillPattern24(image);
    image.AlphaCreate();
    image.AlphaSet(0, 0, 33);
    CKVXImage before(image);
    ASSERT_TRUE(image.CircleTransform(4, 20, 0.0f));
    struct Probe {
        long x, y;
    };
    // The centre is (32, 32): (40, 35) lies inside the disc, (2, 2) outside.
    for (Probe p : {Probe{40, 35}, Probe{32, 32}, Probe{20, 30}}) {
        const long sourceX = p.x + p.x % 32 - 16;
        EXPECT_TRUE(SameQuad(image.GetPixelColor(p.x, p.y, false), before.GetPixelColor(sourceX, p.y, false)))
            << p.x << "," << p.y;
        EXPECT_EQ(image.AlphaGet(p.x, p.y), 255);
    }
    // Outside the disc: the colour the image shows outside itself (here its
    // pixel (0, 0)), and no alpha.
    EXPECT_TRUE(SameQuad(image.GetPixelColor(2, 2, false), before.GetPixelColor(0, 0, false)));
    EXPECT_EQ(image.AlphaGet(2, 2), 0);
}

TEST(ImageFreeTransform, CircleTypesKeepTheCentre) {
    for (int type : {0, 1, 2, 3}) {
        CKVXImage image(33, 33, 8);
        FillRandom(image, 3, false);
        CKVXImage before(image);
        ASSERT_TRUE(image.CircleTransform(type, 0, 0.0f)) << type;
        EXPECT_EQ(image.GetWidth(), 33u);
        if (type < 3) {
            EXPECT_EQ(PixelValue(image, 16, 16), PixelValue(before, 16, 16)) << type;
        }
    }
}

TEST(ImageFreeTransform, EveryOperationRefusesAnEmptyImage) {
    CKVXImage empty;
    EXPECT_FALSE(empty.Rotate(10.0f));
    EXPECT_FALSE(empty.Rotate2(10.0f, nullptr, CKVXImage::InterpolationBilinear, CKVXImage::OverflowFillColor,
                               nullptr, true, false));
    EXPECT_FALSE(empty.CropRotatedRectangle(0, 0, 1, 1, 0.5f));
    EXPECT_FALSE(empty.Skew(0.1f, 0.0f, 0, 0, true));
    EXPECT_FALSE(empty.CircleTransform(0, 0, 0.0f));
}

} // namespace
