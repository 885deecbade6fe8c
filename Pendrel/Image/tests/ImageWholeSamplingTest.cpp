// The whole-image interpolated paths (resizing, rotating) against the
// single-point sampler they stand for: every result pixel must be the colour
// GetPixelColorInterpolated gives at that pixel's source position, exactly
// for the fixed-point bilinear blend, within 1 per channel for the kernels
// (their sums are taken in another order).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXMemoryDeviceContext.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "Pendrel/Image/tests/ImageTransformSupport.h"

using kvximagetest::FillRandom;
using kvximagetest::QuadText;

namespace {

int Difference(const RGBQUAD& a, const RGBQUAD& b) {
    return std::max({std::abs(a.rgbBlue - b.rgbBlue), std::abs(a.rgbGreen - b.rgbGreen),
                     std::abs(a.rgbRed - b.rgbRed), std::abs(a.rgbReserved - b.rgbReserved)});
}

// A colour as a result image holds it: the fourth byte is the alpha plane's.
RGBQUAD ResultColor(CKVXImage& image, long x, long y) {
    RGBQUAD color = image.GetPixelColor(x, y, false);
    color.rgbReserved = image.AlphaIsValid() ? image.AlphaGet(x, y) : 0;
    return color;
}

struct ResampleCase {
    const char* name;
    long width, height;
    int bpp;
    bool alpha;
    long newWidth, newHeight;
    CKVXImage::InterpolationMethod method;
    CKVXImage::OverflowMethod overflow;
    int tolerance;
};

class ResampleMatchesSinglePoints : public testing::TestWithParam<ResampleCase> {};

TEST_P(ResampleMatchesSinglePoints, EveryPixel) {
    const ResampleCase& c = GetParam();
    CKVXImage source(static_cast<DWORD>(c.width), static_cast<DWORD>(c.height), static_cast<DWORD>(c.bpp));
    FillRandom(source, 7, c.alpha);
    CKVXImage result;
    ASSERT_TRUE(source.Resample2(c.newWidth, c.newHeight, c.method, c.overflow, &result, true));
    ASSERT_EQ(result.GetWidth(), static_cast<DWORD>(c.newWidth));
    const float scaleX = static_cast<float>(static_cast<double>(c.width) / static_cast<double>(c.newWidth));
    const float scaleY = static_cast<float>(static_cast<double>(c.height) / static_cast<double>(c.newHeight));
    int worst = 0;
    for (long y = 0; y < c.newHeight; ++y) {
        const float sy = (static_cast<float>(y) + 0.5f) * scaleY - 0.5f;
        for (long x = 0; x < c.newWidth; ++x) {
            const float sx = (static_cast<float>(x) + 0.5f) * scaleX - 0.5f;
            RGBQUAD expected = source.GetPixelColorInterpolated(sx, sy, c.method, c.overflow);
            if (source.IsIndexed()) expected = source.GetPaletteColor(source.GetNearestIndex(expected));
            if (!c.alpha) expected.rgbReserved = 0;
            const RGBQUAD actual = ResultColor(result, x, y);
            const int difference = Difference(actual, expected);
            worst = std::max(worst, difference);
            if (difference > c.tolerance) {
                ADD_FAILURE() << "(" << x << ", " << y << "): " << QuadText(actual) << " instead of "
                              << QuadText(expected);
                return;
            }
        }
    }
    RecordProperty("worst", worst);
}

constexpr auto kBilinear = CKVXImage::InterpolationBilinear;
constexpr auto kCubic = CKVXImage::InterpolationCubic;
constexpr auto kLanczos = CKVXImage::InterpolationLanczosSinc;
constexpr auto kBSpline = CKVXImage::InterpolationBSpline;
constexpr auto kClamp = CKVXImage::OverflowClampToEdge;
constexpr auto kFill = CKVXImage::OverflowFillColor;
constexpr auto kMirror = CKVXImage::OverflowMirrorEdge;
constexpr auto kWrap = CKVXImage::OverflowWrapAround;

INSTANTIATE_TEST_SUITE_P(
    Cases, ResampleMatchesSinglePoints,
    testing::Values(ResampleCase{"BilinearHalf", 64, 48, 24, true, 32, 24, kBilinear, kClamp, 0},
                    ResampleCase{"BilinearDouble", 37, 23, 24, true, 74, 46, kBilinear, kClamp, 0},
                    ResampleCase{"BilinearOddFill", 31, 17, 24, false, 45, 12, kBilinear, kFill, 0},
                    ResampleCase{"CubicHalf", 64, 48, 24, true, 32, 24, kCubic, kClamp, 1},
                    ResampleCase{"CubicEnlargeMirror", 21, 19, 24, false, 50, 41, kCubic, kMirror, 1},
                    ResampleCase{"BSplineWrap", 40, 30, 24, true, 27, 33, kBSpline, kWrap, 1},
                    ResampleCase{"LanczosHalf", 80, 60, 24, true, 40, 30, kLanczos, kClamp, 1},
                    ResampleCase{"LanczosDoubleFill", 30, 26, 24, true, 60, 52, kLanczos, kFill, 1},
                    ResampleCase{"LanczosNarrow", 9, 40, 24, false, 20, 13, kLanczos, kClamp, 1},
                    ResampleCase{"PalettedBilinear", 32, 20, 8, false, 48, 30, kBilinear, kClamp, 0},
                    ResampleCase{"NearestThird", 30, 30, 24, true, 10, 10, CKVXImage::InterpolationNearest, kClamp, 0}),
    [](const testing::TestParamInfo<ResampleCase>& info) { return std::string(info.param.name); });

// Rotation: the blended pixels of the bilinear method are those of the
// single-point sampler, which serves a method value it does not know as
// bilinear as well, point by point.
TEST(RotateBilinearMatchesSinglePoints, AnglesAndOverflows) {
    const auto unknown = static_cast<CKVXImage::InterpolationMethod>(0);
    const struct {
        float angle;
        bool alpha;
        CKVXImage::OverflowMethod overflow;
        bool keepSize;
        DWORD width = 41, height = 27;
    } cases[] = {{30.0f, true, kFill, false},  {-17.5f, false, kFill, true}, {200.0f, true, kClamp, false},
                 {45.0f, true, CKVXImage::OverflowFullyTransparent, false}, {3.0f, false, kMirror, true},
                 // Wide and tall enough to be built in several blocks of rows and runs of columns.
                 {-33.0f, true, kFill, false, 301, 83}, {12.0f, false, kClamp, true, 150, 170}};
    for (const auto& c : cases) {
        CKVXImage picture(c.width, c.height, 24);
        FillRandom(picture, 11, c.alpha);
        RGBQUAD outside{10, 20, 30, 40};
        CKVXImage fast, slow;
        ASSERT_TRUE(picture.Rotate2(c.angle, &fast, kBilinear, c.overflow, &outside, false, c.keepSize));
        ASSERT_TRUE(picture.Rotate2(c.angle, &slow, unknown, c.overflow, &outside, false, c.keepSize));
        SCOPED_TRACE(testing::Message() << "angle " << c.angle);
        kvximagetest::ExpectSamePicture(fast, slow);
    }
}

// Smoothed drawing of an opaque picture at another size: device pixel
// (X, Y) shows the bilinear colour at ((X - x) * fx - 0.5,
// height - (Y + 1 - y) * fy - 0.5) with the edges clamped.
TEST(DrawSmoothMatchesSinglePoints, EnlargedAndShrunk) {
    CKVXImage picture(23, 17, 24);
    FillRandom(picture, 3, false);
    const struct {
        long cx, cy;
    } sizes[] = {{50, 31}, {11, 8}, {23, 40}};
    for (const auto& size : sizes) {
        constexpr long kX = 3, kY = 2;
        CKVXMemoryDeviceContext dc(60, 45);
        ASSERT_EQ(picture.Draw(&dc, kX, kY, size.cx, size.cy, nullptr, true), 1);
        const float fx = 23.0f / static_cast<float>(size.cx);
        const float fy = 17.0f / static_cast<float>(size.cy);
        for (long Y = kY; Y < kY + size.cy; ++Y) {
            for (long X = kX; X < kX + size.cx; ++X) {
                const float sx = static_cast<float>(X - kX) * fx - 0.5f;
                const float sy = 17.0f - static_cast<float>(Y + 1 - kY) * fy - 0.5f;
                const RGBQUAD c = picture.GetPixelColorInterpolated(sx, sy, CKVXImage::InterpolationBilinear,
                                                                    CKVXImage::OverflowClampToEdge);
                ASSERT_EQ(dc.GetPixel(X, Y), RGB(c.rgbRed, c.rgbGreen, c.rgbBlue))
                    << size.cx << "x" << size.cy << " at (" << X << ", " << Y << ")";
            }
        }
    }
}

// An escape stops the row loop and the partly built result is moved in: the
// rows it did not reach are black, padding included, even where the heap
// hands out the block of a picture just freed.
TEST(WholeImageEscape, RowsNotReachedAreBlack) {
    CKVXImage picture(121, 90, 24);
    FillRandom(picture, 5, false);
    const struct {
        const char* name;
        bool (*run)(CKVXImage& picture, CKVXImage* result);
    } operations[] = {
        {"Rotate2",
         [](CKVXImage& p, CKVXImage* r) {
             return p.Rotate2(30.0f, r, kBilinear, kFill, nullptr, false, false);
         }},
        {"Resample2", [](CKVXImage& p, CKVXImage* r) { return p.Resample2(97, 61, kBilinear, kClamp, r, true); }},
        {"Resample2 averaging",
         [](CKVXImage& p, CKVXImage* r) { return p.Resample2(51, 33, kBilinear, kClamp, r, false); }},
    };
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.name);
        {
            CKVXImage earlier;
            ASSERT_TRUE(operation.run(picture, &earlier));
        }
        picture.SetEscape(1);
        CKVXImage result;
        const bool done = operation.run(picture, &result);
        picture.SetEscape(0);
        ASSERT_TRUE(done);
        ASSERT_TRUE(result.IsValid());
        const BYTE* bits = result.GetBits(0);
        const size_t size = static_cast<size_t>(result.GetEffWidth()) * result.GetHeight();
        EXPECT_EQ(std::count(bits, bits + size, 0), static_cast<long>(size));
    }
}

// Drawing a picture with an alpha plane at another size, by nearest pixels
// and smoothed: device pixel (X, Y) blends the colour (the nearest pixel's,
// or the bilinear one as above) by the alpha of the nearest pixel, scaled by
// the picture's alpha maximum, over what the device held.
TEST(DrawWithAlphaMatchesSinglePoints, NearestAndSmoothed) {
    constexpr long kWidth = 23, kHeight = 17;
    CKVXImage picture(kWidth, kHeight, 24);
    FillRandom(picture, 9, true);
    picture.AlphaSet(4, 5, 0);
    picture.AlphaSet(6, 7, 255);
    const struct {
        long cx, cy;
        bool smooth;
        BYTE alphaMax;
    } cases[] = {{50, 31, false, 255}, {11, 8, false, 255}, {23, 40, false, 200},
                 {50, 31, true, 255},  {11, 8, true, 200},  {23, 40, true, 255}};
    const COLORREF background = RGB(40, 80, 120);
    for (const auto& c : cases) {
        picture.AlphaSetMax(c.alphaMax);
        constexpr long kX = 3, kY = 2;
        CKVXMemoryDeviceContext dc(60, 45, background);
        ASSERT_EQ(picture.Draw(&dc, kX, kY, c.cx, c.cy, nullptr, c.smooth), 1);
        const float fx = static_cast<float>(kWidth) / static_cast<float>(c.cx);
        const float fy = static_cast<float>(kHeight) / static_cast<float>(c.cy);
        for (long Y = kY; Y < kY + c.cy; ++Y) {
            for (long X = kX; X < kX + c.cx; ++X) {
                const float px = static_cast<float>(X - kX) * fx;
                const float py = static_cast<float>(kHeight) - static_cast<float>(Y + 1 - kY) * fy;
                const long nx = std::clamp(static_cast<long>(std::floor(px)), 0L, kWidth - 1);
                const long ny = std::clamp(static_cast<long>(std::floor(py)), 0L, kHeight - 1);
                const RGBQUAD color = c.smooth ? picture.GetPixelColorInterpolated(px - 0.5f, py - 0.5f, kBilinear, kClamp)
                                               : picture.GetPixelColor(nx, ny, false);
                const unsigned a = ((c.alphaMax + 1u) * picture.AlphaGet(nx, ny)) >> 8;
                auto mix = [a](unsigned top, unsigned under) { return (top * a + under * (255 - a)) >> 8; };
                const COLORREF expected =
                    a == 0 ? background
                           : RGB(mix(color.rgbRed, GetRValue(background)), mix(color.rgbGreen, GetGValue(background)),
                                 mix(color.rgbBlue, GetBValue(background)));
                const COLORREF want = a == 255 ? RGB(color.rgbRed, color.rgbGreen, color.rgbBlue) : expected;
                ASSERT_EQ(dc.GetPixel(X, Y), want) << c.cx << "x" << c.cy << (c.smooth ? " smoothed" : "") << " at ("
                                                   << X << ", " << Y << ")";
            }
        }
    }
}

} // namespace
