// Colours at real positions: the kernels, the first-order Bessel function,
// the overflow rules, nearest and bilinear sampling, kernel sampling with its
// direct and general paths, and averaging over areas.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::FillPattern24;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

using Image = CKVXImage;

struct KernelCase {
    const char* name;
    float (*kernel)(float);
    float x;
    float expected;
};

float GeneralizedCubic(float x) {
    return Image::KernelGeneralizedCubic(x, -0.5f);
}

float Lanczos6(float x) {
    return Image::KernelLanczosSinc(x, 6.0f);
}

TEST(ImageInterpolation, KernelTable) {
    const KernelCase cases[] = {
        {"box at -0.5", Image::KernelBox, -0.5f, 1.0f},
        {"box at 0.5", Image::KernelBox, 0.5f, 0.0f},
        {"linear at 0", Image::KernelLinear, 0.0f, 1.0f},
        {"linear at -0.25", Image::KernelLinear, -0.25f, 0.75f},
        {"linear at 1", Image::KernelLinear, 1.0f, 0.0f},
        {"b-spline at 0", Image::KernelBSpline, 0.0f, 4.0f / 6.0f},
        {"b-spline at 1", Image::KernelBSpline, 1.0f, 1.0f / 6.0f},
        {"b-spline at -1", Image::KernelBSpline, -1.0f, 1.0f / 6.0f},
        {"b-spline at 2.5", Image::KernelBSpline, 2.5f, 0.0f},
        {"cubic at 0.5", Image::KernelCubic, 0.5f, 0.625f},
        {"cubic at -1.5", Image::KernelCubic, -1.5f, -0.125f},
        {"generalized cubic at 0.5", GeneralizedCubic, 0.5f, 0.5625f},
        {"generalized cubic at 1.5", GeneralizedCubic, 1.5f, -0.0625f},
        {"hermite at -0.5", Image::KernelHermite, -0.5f, 0.5f},
        {"hermite at 1", Image::KernelHermite, 1.0f, 0.0f},
        {"hamming at 0.5", Image::KernelHamming, 0.5f, 0.54f},
        {"quadratic at 0", Image::KernelQuadratic, 0.0f, 0.75f},
        {"quadratic at -1", Image::KernelQuadratic, -1.0f, 0.125f},
        {"quadratic at 1.5", Image::KernelQuadratic, 1.5f, 0.0f},
        {"mitchell at 0", Image::KernelMitchell, 0.0f, 8.0f / 9.0f},
        {"mitchell at 1", Image::KernelMitchell, 1.0f, 1.0f / 18.0f},
        {"catrom at 0.5", Image::KernelCatrom, 0.5f, 0.5625f},
        {"catrom at -1.25", Image::KernelCatrom, -1.25f, -0.0703125f},
        {"sinc at 0", Image::KernelSinc, 0.0f, 1.0f},
        {"sinc at 0.5", Image::KernelSinc, 0.5f, 0.63661977f},
        {"lanczos at 0", Lanczos6, 0.0f, 1.0f},
        {"lanczos at 1.5", Lanczos6, 1.5f, -0.19105300f},
        {"lanczos just past the radius", Lanczos6, 6.001f, 0.0f},
        {"blackman at 0.5", Image::KernelBlackman, 0.5f, 0.34f},
        {"gaussian at 0", Image::KernelGaussian, 0.0f, 0.7978846f},
        {"gaussian at 1", Image::KernelGaussian, 1.0f, 0.10798193f},
        {"bessel at 0.5", Image::KernelBessel, 0.5f, static_cast<float>(std::cyl_bessel_j(1.0, M_PI / 2))},
    };
    for (const KernelCase& c : cases) EXPECT_NEAR(c.kernel(c.x), c.expected, 2e-6f) << c.name;
    EXPECT_FLOAT_EQ(Image::KernelBessel(0.0f), 0.78539819f);
}

TEST(ImageInterpolation, BesselOrder1MatchesTheLibraryOnBothSidesOfEight) {
    std::vector<float> points;
    for (float x = -20.0f; x <= 20.0f; x += 0.37f) points.push_back(x);
    for (float x : {7.99f, 8.0f, 8.01f, -7.99f, -8.0f, -8.01f, 0.0f}) points.push_back(x);
    for (float x : points) {
        const double expected = x < 0 ? -std::cyl_bessel_j(1.0, -static_cast<double>(x))
                                      : std::cyl_bessel_j(1.0, static_cast<double>(x));
        EXPECT_NEAR(Image::KernelBessel_Order1(x), expected, 2e-6) << "x = " << x;
    }
}

struct OverflowCase {
    Image::OverflowMethod method;
    long x;
    long expected;
};

TEST(ImageInterpolation, OverflowRulesAtTheEdges) {
    Image image(5, 3, 24);
    const OverflowCase cases[] = {
        {Image::OverflowWrapAround, -1, 4},   {Image::OverflowWrapAround, 5, 0},  {Image::OverflowWrapAround, 6, 1},
        {Image::OverflowWrapAround, -11, 4},  {Image::OverflowClampToEdge, -1, 0}, {Image::OverflowClampToEdge, 5, 4},
        {Image::OverflowClampToEdge, 6, 4},   {Image::OverflowMirrorEdge, -1, 1},  {Image::OverflowMirrorEdge, 5, 4},
        {Image::OverflowMirrorEdge, 6, 3},    {Image::OverflowFillColor, -1, -1},  {Image::OverflowFillColor, 6, 6},
    };
    for (const OverflowCase& c : cases) {
        long x = c.x, y = 1;
        image.OverflowCoordinates(x, y, c.method);
        EXPECT_EQ(x, c.expected) << "method " << c.method << " at " << c.x;
        EXPECT_EQ(y, 1) << "a coordinate inside stays";

        float fx = static_cast<float>(c.x), fy = 1.0f;
        image.OverflowCoordinates(fx, fy, c.method);
        EXPECT_FLOAT_EQ(fx, static_cast<float>(c.expected)) << "float form, method " << c.method << " at " << c.x;
    }
    long x = 2, y = -1;
    image.OverflowCoordinates(x, y, Image::OverflowMirrorEdge);
    EXPECT_EQ(y, 1) << "rows follow the same rules";

    float fx = 4.5f, fy = 0.0f;
    image.OverflowCoordinates(fx, fy, Image::OverflowClampToEdge);
    EXPECT_FLOAT_EQ(fx, 4.5f) << "width - 0.5 is inside";
    fx = 5.5f;
    image.OverflowCoordinates(fx, fy, Image::OverflowMirrorEdge);
    EXPECT_FLOAT_EQ(fx, 3.5f);
    fx = -0.5f;
    image.OverflowCoordinates(fx, fy, Image::OverflowWrapAround);
    EXPECT_FLOAT_EQ(fx, 4.5f);
}

TEST(ImageInterpolation, OutsideColoursByMethod) {
    RGBQUAD white = Quad(255, 255, 255, 0);
    RGBQUAD grey = Quad(9, 8, 7, 6);

    Image rgb(4, 4, 24);
    FillPattern24(rgb);
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(-1, 0, Image::OverflowFillColor), white));
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(-1, 0, Image::OverflowFillColor, &grey), grey));
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(-1, 0, Image::OverflowTransColor), white))
        << "no transparent index: the fill colour";
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(9, 9, static_cast<Image::OverflowMethod>(0)), white));
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(-1, 0, Image::OverflowClampToEdge), rgb.GetPixelColor(0, 0)));
    rgb.SetTransIndex(0);
    rgb.SetTransColor(Quad(1, 2, 3));
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(4, 0, Image::OverflowTransColor), Quad(1, 2, 3)));
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(4, 0, Image::OverflowFullyTransparent), Quad(1, 2, 3)));
    rgb.AlphaCreate();
    EXPECT_TRUE(SameQuad(rgb.GetPixelColorWithOverflow(4, 0, Image::OverflowFullyTransparent, &grey), Quad(9, 8, 7, 0)));

    Image indexed(4, 4, 8);
    indexed.SetPaletteColor(5, 50, 60, 70, 80);
    indexed.SetTransIndex(5);
    EXPECT_TRUE(SameQuad(indexed.GetPixelColorWithOverflow(0, 4, Image::OverflowTransColor), Quad(50, 60, 70, 80)));

    Image empty;
    EXPECT_TRUE(SameQuad(empty.GetPixelColorWithOverflow(0, 0, Image::OverflowClampToEdge, &grey), grey));

    // Far outside, every interpolation method gives the fill colour.
    for (int method = 1; method <= 16; ++method) {
        for (Image::OverflowMethod overflow : {Image::OverflowFillColor, Image::OverflowTransColor}) {
            Image plain(4, 4, 24);
            FillPattern24(plain);
            const RGBQUAD far = plain.GetPixelColorInterpolated(100.0f, -50.0f,
                                                                static_cast<Image::InterpolationMethod>(method), overflow);
            EXPECT_TRUE(SameQuad(far, white)) << "method " << method << ": " << QuadText(far);
        }
    }
}

TEST(ImageInterpolation, NearestAndBilinearSampling) {
    Image image(6, 6, 24);
    FillPattern24(image);
    auto at = [&](float x, float y, Image::InterpolationMethod method) {
        return image.GetPixelColorInterpolated(x, y, method, Image::OverflowClampToEdge);
    };
    EXPECT_TRUE(SameQuad(at(2.4f, 3.6f, Image::InterpolationNearest), image.GetPixelColor(2, 4)));
    EXPECT_TRUE(SameQuad(at(-0.7f, 0.0f, Image::InterpolationNearest), image.GetPixelColor(0, 0)))
        << "-0.2 truncates to 0";
    EXPECT_TRUE(SameQuad(image.GetPixelColorInterpolated(-1.6f, 0.0f, Image::InterpolationNearest,
                                                         Image::OverflowFillColor),
                         Quad(255, 255, 255, 0)));

    image.AlphaCreate();
    image.AlphaSet(3, 2, 123);
    for (Image::InterpolationMethod method :
         {Image::InterpolationBilinear, static_cast<Image::InterpolationMethod>(0),
          static_cast<Image::InterpolationMethod>(99)})
        EXPECT_TRUE(SameQuad(at(3.0f, 2.0f, method), image.GetPixelColor(3, 2, true)))
            << "whole points are exact, alpha included; method " << method;

    // Between two pixels: 8-bit fixed point inside, floats at the edge.
    Image pair(3, 3, 24);
    pair.SetPixelColor(0, 0, Quad(0, 10, 0));
    pair.SetPixelColor(1, 0, Quad(100, 30, 0));
    const RGBQUAD middle = pair.GetPixelColorInterpolated(0.5f, 0.0f, Image::InterpolationBilinear,
                                                          Image::OverflowClampToEdge);
    EXPECT_EQ(middle.rgbRed, 50);
    EXPECT_EQ(middle.rgbGreen, 20);
    EXPECT_EQ(middle.rgbReserved, 0) << "no alpha plane: 0";
    const RGBQUAD edge = pair.GetPixelColorInterpolated(-0.5f, 0.0f, Image::InterpolationBilinear,
                                                        Image::OverflowFillColor);
    EXPECT_EQ(edge.rgbRed, 127) << "half white (255), half pixel (0, 0) with red 0, truncated";
}

// The same grey picture as a 24-bit image and as an 8-bit grey image.
void FillGreyRamp(Image& image) {
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
            const BYTE level = static_cast<BYTE>((x * 37 + y * 11) % 256);
            image.SetPixelColor(x, y, Quad(level, level, level));
        }
}

TEST(ImageInterpolation, DirectReadsEqualTheGeneralPath) {
    Image direct(20, 20, 24);
    Image general(20, 20, 8);
    general.SetGrayPalette();
    FillGreyRamp(direct);
    FillGreyRamp(general);
    const float points[][2] = {{9.3f, 8.7f}, {10.5f, 10.25f}, {6.1f, 13.9f}};
    for (int method = 2; method <= 16; ++method) {
        for (const auto& p : points) {
            const auto m = static_cast<Image::InterpolationMethod>(method);
            const RGBQUAD a = direct.GetPixelColorInterpolated(p[0], p[1], m, Image::OverflowClampToEdge);
            const RGBQUAD b = general.GetPixelColorInterpolated(p[0], p[1], m, Image::OverflowClampToEdge);
            EXPECT_TRUE(SameQuad(a, b)) << "method " << method << " at " << p[0] << "," << p[1] << ": "
                                        << QuadText(a) << " against " << QuadText(b);
        }
    }
}

TEST(ImageInterpolation, KernelSumsAreHeldToAByte) {
    // A sharp edge: Catmull-Rom's negative lobes overshoot on both sides.
    Image image(10, 10, 24);
    for (long y = 0; y < 10; ++y)
        for (long x = 0; x < 10; ++x) image.SetPixelColor(x, y, x < 5 ? Quad(0, 0, 0) : Quad(255, 255, 255));
    auto red = [&](float x) {
        return image.GetPixelColorInterpolated(x, 5.0f, Image::InterpolationCatrom, Image::OverflowClampToEdge).rgbRed;
    };
    EXPECT_EQ(red(5.25f), 255);
    EXPECT_EQ(red(3.75f), 0);
    EXPECT_EQ(image.GetPixelColorInterpolated(5.25f, 5.0f, Image::InterpolationCatrom, Image::OverflowClampToEdge)
                  .rgbReserved,
              0)
        << "no alpha plane";
}

TEST(ImageInterpolation, AreaAveragingWeighsBorderPixelsByTheirShare) {
    struct Case {
        long x, y;
        int expected;  // red of the 2 x 2 average around (5, 5) with only this pixel red 200
    };
    const Case cases[] = {{5, 5, 50}, {4, 5, 25}, {6, 4, 12}, {7, 5, 0}};
    for (const Case& c : cases) {
        Image image(10, 10, 24);
        image.Clear(0);
        image.SetPixelColor(c.x, c.y, Quad(200, 0, 0));
        const RGBQUAD average = image.GetAreaColorInterpolated(5.0f, 5.0f, 2.0f, 2.0f, Image::InterpolationBilinear,
                                                               Image::OverflowClampToEdge);
        EXPECT_EQ(average.rgbRed, c.expected) << c.x << "," << c.y;
    }

    // Only one side above 1: each pixel's share of the area is sampled at
    // the centre of that share, here with the nearest pixel.
    for (const Case& c : {Case{4, 5, 50}, Case{5, 5, 100}, Case{6, 5, 50}, Case{5, 6, 0}}) {
        Image image(10, 10, 24);
        image.Clear(0);
        image.SetPixelColor(c.x, c.y, Quad(200, 0, 0));
        const RGBQUAD average = image.GetAreaColorInterpolated(5.0f, 5.0f, 2.0f, 1.0f, Image::InterpolationNearest,
                                                               Image::OverflowClampToEdge);
        EXPECT_EQ(average.rgbRed, c.expected) << "2 x 1 area, pixel " << c.x << "," << c.y;
    }

    Image image(10, 10, 24);
    FillPattern24(image);
    image.AlphaCreate();
    image.AlphaSet(3, 4, 40);
    const RGBQUAD area = image.GetAreaColorInterpolated(3.3f, 4.6f, 1.0f, 1.0f, Image::InterpolationBilinear,
                                                        Image::OverflowClampToEdge);
    const RGBQUAD point = image.GetPixelColorInterpolated(3.3f, 4.6f, Image::InterpolationBilinear,
                                                          Image::OverflowClampToEdge);
    EXPECT_TRUE(SameQuad(area, point)) << "a 1 x 1 area is a point";
}

} // namespace
