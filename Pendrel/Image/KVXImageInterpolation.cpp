// Colours at real-valued positions: what a position outside the image yields
// (the overflow methods), interpolation between pixels with sixteen methods,
// the average over a rectangle, and the kernel functions.
//
// Coordinates: x from the left, y the row with row 0 at the bottom; the
// integer point (x, y) is the pixel itself. Kernels work in single precision;
// the Bessel rational functions in double precision. Every float is held to
// a safe range before it becomes an integer.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Pendrel/Image/KVXBilinearPixels.h"
#include "Pendrel/Image/KVXImageRounding.h"
#include "Pendrel/Image/KVXKernelWindow.h"
#include "Pendrel/Image/KVXRect2.h"

namespace {

constexpr float kPi = 3.1415927f;
RGBQUAD FillColor(const RGBQUAD* replacement) {
    return replacement ? *replacement : RGBQUAD{255, 255, 255, 0};
}

bool IsWhollyOutsideMethod(CKVXImage::OverflowMethod overflow) {
    return overflow == CKVXImage::OverflowFillColor || overflow == CKVXImage::OverflowTransColor ||
           overflow == CKVXImage::OverflowFullyTransparent;
}

// Sum of p[i] * u^i, evaluated from the highest power down.
double Polynomial(const double* p, int count, double u) {
    double sum = 0.0;
    for (int i = count - 1; i >= 0; --i) sum = sum * u + p[i];
    return sum;
}

// P(u) / Q(u) for polynomials of `count` coefficients, in single precision.
float Rational(const double* p, const double* q, int count, double u) {
    return static_cast<float>(Polynomial(p, count, u) / Polynomial(q, count, u));
}

// The variable of the large-argument functions: (8 / x) squared.
double InverseSquare(float x) {
    const double z = 8.0 / static_cast<double>(x);
    return z * z;
}

} // namespace

// ----- Overflow ---------------------------------------------------------------

void CKVXImage::OverflowCoordinates(long& x, long& y, OverflowMethod method) {
    if (IsInside(x, y)) return;
    const long width = header.biWidth;
    const long height = header.biHeight;
    if (width <= 0 || height <= 0) return;
    auto remap = [method](long v, long size) -> long {
        switch (method) {
        case OverflowWrapAround: {
            const long r = v % size;
            return r < 0 ? r + size : r;
        }
        case OverflowClampToEdge: return std::clamp(v, 0L, size - 1);
        case OverflowMirrorEdge:
            // -(v % size) is (-v) % size without negating v itself.
            if (v < 0) return -(v % size);
            if (v >= size) return size - (v % size) - 1;
            return v;
        default: return v;
        }
    };
    x = remap(x, width);
    y = remap(y, height);
}

void CKVXImage::OverflowCoordinates(float& x, float& y, OverflowMethod method) {
    const float width = static_cast<float>(header.biWidth);
    const float height = static_cast<float>(header.biHeight);
    if (x >= 0.0f && x < width && y >= 0.0f && y < height) return;
    if (header.biWidth <= 0 || header.biHeight <= 0) return;
    auto remap = [method](float v, float size) -> float {
        switch (method) {
        case OverflowWrapAround: {
            const float r = std::fmod(v, size);
            return r < 0.0f ? r + size : r;
        }
        case OverflowClampToEdge: return std::min(std::max(v, 0.0f), size - 1.0f);
        case OverflowMirrorEdge:
            if (v < 0.0f) return std::fmod(-v, size);
            if (v >= size) return size - (std::fmod(v, size) + 1.0f);
            return v;
        default: return v;
        }
    };
    x = remap(x, width);
    y = remap(y, height);
}

RGBQUAD CKVXImage::GetPixelColorWithOverflow(long x, long y, OverflowMethod method, RGBQUAD* const replacement) {
    if (dib && IsInside(x, y)) return BlindGetPixelColor(x, y);
    const RGBQUAD fill = FillColor(replacement);
    if (!dib) return fill;
    switch (method) {
    case OverflowTransColor:
        if (imageInfo.transIndex == -1) return fill;
        if (header.biBitCount < 24) return GetPaletteColor(static_cast<BYTE>(imageInfo.transIndex));
        return imageInfo.transColor;
    case OverflowFullyTransparent: {
        if (alpha) {
            RGBQUAD transparent = fill;
            transparent.rgbReserved = 0;
            return transparent;
        }
        return imageInfo.transIndex >= 0 ? GetTransColor() : fill;
    }
    case OverflowWrapAround:
    case OverflowClampToEdge:
    case OverflowMirrorEdge:
        OverflowCoordinates(x, y, method);
        // An image without pixels has nowhere to wrap to.
        if (!IsInside(x, y)) return fill;
        return BlindGetPixelColor(x, y);
    default: return fill;
    }
}

// ----- Interpolation ----------------------------------------------------------

RGBQUAD CKVXImage::GetPixelColorInterpolated(float x, float y, InterpolationMethod method, OverflowMethod overflow,
                                             RGBQUAD* const replacement) {
    if (method == InterpolationNearest)
        return GetPixelColorWithOverflow(KVXTruncate(x + 0.5f), KVXTruncate(y + 0.5f), overflow, replacement);

    const long width = header.biWidth;
    const long height = header.biHeight;
    const KVXKernelWindow window = KVXKernelWindowOf(method);
    float (*kernel)(float) = window.kernel;
    const long before = window.before;
    const long after = window.after;

    long xi = KVXCell(x);
    long yi = KVXCell(y);
    if (xi + after < 0 || xi - before >= width || yi + after < 0 || yi - before >= height) {
        // Wholly outside: the fill-like methods ignore the position; the
        // others map it back into the image.
        if (IsWhollyOutsideMethod(overflow)) return GetPixelColorWithOverflow(-999, -999, overflow, replacement);
        OverflowCoordinates(x, y, overflow);
        xi = KVXCell(x);
        yi = KVXCell(y);
    }
    const bool inside = xi - before >= 0 && xi + after < width && yi - before >= 0 && yi + after < height;
    const bool direct = inside && dib && header.biClrUsed == 0;

    if (!kernel) {
        if (direct) {
            const KVXBilinearPixels pixels{imageInfo.bits, imageInfo.effWidth, alpha, width};
            return KVXBilinearBlend(pixels, xi, yi, KVXBilinearFraction(x, xi), KVXBilinearFraction(y, yi));
        }
        const float dx = x - static_cast<float>(xi);
        const float dy = y - static_cast<float>(yi);
        const float w11 = dx * dy;
        const float w10 = dx - w11;
        const float w01 = dy - w11;
        const float w00 = 1.0f - dx - w01;
        const RGBQUAD c00 = GetPixelColorWithOverflow(xi, yi, overflow, replacement);
        const RGBQUAD c10 = GetPixelColorWithOverflow(xi + 1, yi, overflow, replacement);
        const RGBQUAD c01 = GetPixelColorWithOverflow(xi, yi + 1, overflow, replacement);
        const RGBQUAD c11 = GetPixelColorWithOverflow(xi + 1, yi + 1, overflow, replacement);
        auto mix = [&](BYTE RGBQUAD::*channel) {
            return KVXClampToByte(w00 * static_cast<float>(c00.*channel) + w10 * static_cast<float>(c10.*channel) +
                               w01 * static_cast<float>(c01.*channel) + w11 * static_cast<float>(c11.*channel));
        };
        RGBQUAD color;
        color.rgbBlue = mix(&RGBQUAD::rgbBlue);
        color.rgbGreen = mix(&RGBQUAD::rgbGreen);
        color.rgbRed = mix(&RGBQUAD::rgbRed);
        color.rgbReserved = alpha ? mix(&RGBQUAD::rgbReserved) : 0;
        return color;
    }

    // Kernel methods: weights per axis, combined as products, not normalised.
    const long size = before + after + 1;
    float kx[12];
    float ky[12];
    for (long k = 0; k < size; ++k) {
        kx[k] = kernel(static_cast<float>(xi - before + k) - x);
        ky[k] = kernel(static_cast<float>(yi - before + k) - y);
    }
    float red = 0.0f, green = 0.0f, blue = 0.0f, alphaSum = 0.0f;
    for (long l = 0; l < size; ++l) {
        const long row = yi - before + l;
        for (long k = 0; k < size; ++k) {
            const long column = xi - before + k;
            const float weight = kx[k] * ky[l];
            if (direct) {
                const BYTE* pixel = imageInfo.bits + static_cast<size_t>(row) * imageInfo.effWidth + 3 * column;
                blue += weight * static_cast<float>(pixel[0]);
                green += weight * static_cast<float>(pixel[1]);
                red += weight * static_cast<float>(pixel[2]);
                if (alpha) alphaSum += weight * static_cast<float>(BlindAlphaGet(column, row));
            } else {
                AddAveragingCont(GetPixelColorWithOverflow(column, row, overflow, replacement), weight, red, green,
                                 blue, alphaSum);
            }
        }
    }
    return RGBQUAD{KVXClampToByte(blue), KVXClampToByte(green), KVXClampToByte(red),
                   static_cast<BYTE>(alpha ? KVXClampToByte(alphaSum) : 0)};
}

void CKVXImage::AddAveragingCont(const RGBQUAD& color, float weight, float& red, float& green, float& blue,
                                 float& alphaSum) {
    red += static_cast<float>(color.rgbRed) * weight;
    green += static_cast<float>(color.rgbGreen) * weight;
    blue += static_cast<float>(color.rgbBlue) * weight;
    alphaSum += static_cast<float>(color.rgbReserved) * weight;
}

RGBQUAD CKVXImage::GetAreaColorInterpolated(float centerX, float centerY, float areaWidth, float areaHeight,
                                            InterpolationMethod method, OverflowMethod overflow,
                                            RGBQUAD* const replacement) {
    if (areaWidth <= 1.0f && areaHeight <= 1.0f)
        return GetPixelColorInterpolated(centerX, centerY, method, overflow, replacement);

    const CKVXRect2 area(centerX - areaWidth / 2.0f, centerY - areaHeight / 2.0f, centerX + areaWidth / 2.0f,
                         centerY + areaHeight / 2.0f);
    const long xi1 = KVXTruncate(area.lowCorner.x + 0.5f);
    const long yi1 = KVXTruncate(area.lowCorner.y + 0.5f);
    const long xi2 = KVXTruncate(area.highCorner.x + 0.5f);
    const long yi2 = KVXTruncate(area.highCorner.y + 0.5f);
    auto square = [](long x, long y) {
        const float fx = static_cast<float>(x);
        const float fy = static_cast<float>(y);
        return CKVXRect2(fx - 0.5f, fy - 0.5f, fx + 0.5f, fy + 0.5f);
    };
    float red = 0.0f, green = 0.0f, blue = 0.0f, alphaSum = 0.0f;
    auto add = [&](long x, long y, float weight) {
        AddAveragingCont(GetPixelColorWithOverflow(x, y, overflow, replacement), weight, red, green, blue, alphaSum);
    };

    if (areaWidth > 1.0f && areaHeight > 1.0f) {
        // Whole pixels inside weigh 1; the border pixels their share.
        const CKVXRect2 bottomLeft = area.CrossSection(square(xi1, yi1));
        const CKVXRect2 topRight = area.CrossSection(square(xi2, yi2));
        const float wBL = bottomLeft.Width(), hBL = bottomLeft.Height();
        const float wTR = topRight.Width(), hTR = topRight.Height();
        add(xi1, yi1, wBL * hBL);
        add(xi2, yi1, wTR * hBL);
        add(xi1, yi2, wBL * hTR);
        add(xi2, yi2, wTR * hTR);
        for (long x = xi1 + 1; x < xi2; ++x) {
            add(x, yi1, hBL);
            add(x, yi2, hTR);
        }
        for (long y = yi1 + 1; y < yi2; ++y) {
            add(xi1, y, wBL);
            add(xi2, y, wTR);
        }
        for (long y = yi1 + 1; y < yi2; ++y)
            for (long x = xi1 + 1; x < xi2; ++x) add(x, y, 1.0f);
    } else {
        for (long y = yi1; y <= yi2; ++y) {
            for (long x = xi1; x <= xi2; ++x) {
                const CKVXRect2 part = area.CrossSection(square(x, y));
                const CKVXPoint2 center = part.Center();
                AddAveragingCont(GetPixelColorInterpolated(center.x, center.y, method, overflow, replacement),
                                 part.Surface(), red, green, blue, alphaSum);
            }
        }
    }

    const float surface = area.Surface();
    return RGBQUAD{KVXClampToByte(blue / surface), KVXClampToByte(green / surface), KVXClampToByte(red / surface),
                   static_cast<BYTE>(alpha ? KVXClampToByte(alphaSum / surface) : 0)};
}

// ----- Kernels ----------------------------------------------------------------

float CKVXImage::KernelBSpline(float x) {
    if (x > 2.0f) return 0.0f;
    auto cube = [](float base) { return base <= 0.0f ? 0.0f : base * base * base; };
    const float a = cube(x + 2.0f);
    const float b = cube(x + 1.0f);
    const float c = cube(x);
    const float d = cube(x - 1.0f);
    return (a - 4.0f * b + 6.0f * c - 4.0f * d) * 0.16666667f;
}

float CKVXImage::KernelLinear(float x) {
    if (x < -1.0f) return 0.0f;
    if (x < 0.0f) return x + 1.0f;
    if (x < 1.0f) return 1.0f - x;
    return 0.0f;
}

float CKVXImage::KernelCubic(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f) return t * t * t - 2.0f * t * t + 1.0f;
    if (t < 2.0f) return -t * t * t + 5.0f * t * t - 8.0f * t + 4.0f;
    return 0.0f;
}

float CKVXImage::KernelGeneralizedCubic(float x, float a) {
    const float t = std::fabs(x);
    if (t < 1.0f) return (a + 2.0f) * t * t * t - (a + 3.0f) * t * t + 1.0f;
    if (t < 2.0f) return a * t * t * t - 5.0f * a * t * t + 8.0f * a * t - 4.0f * a;
    return 0.0f;
}

float CKVXImage::KernelLanczosSinc(float x, float radius) {
    if (std::fabs(x) > radius) return 0.0f;
    if (x == 0.0f) return 1.0f;
    const float u = kPi * x;
    const float v = u / radius;
    return (std::sin(u) / u) * (std::sin(v) / v);
}

float CKVXImage::KernelBox(float x) {
    return (x >= -0.5f && x < 0.5f) ? 1.0f : 0.0f;
}

float CKVXImage::KernelHermite(float x) {
    if (x < -1.0f || x >= 1.0f) return 0.0f;
    const float t = std::fabs(x);
    return (2.0f * t - 3.0f) * x * x + 1.0f;
}

float CKVXImage::KernelHamming(float x) {
    if (x < -1.0f || x >= 1.0f) return 0.0f;
    const float t = std::fabs(x);
    return 0.92f * (2.0f * t - 3.0f) * x * x + 1.0f;
}

float CKVXImage::KernelSinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float u = kPi * x;
    return std::sin(u) / u;
}

float CKVXImage::KernelBlackman(float x) {
    return 0.42f + 0.5f * std::cos(kPi * x) + 0.08f * std::cos(2.0f * kPi * x);
}

float CKVXImage::KernelBessel_J1(float x) {
    static const double p[] = {5.811993540016061e20,  -6.672106568924916e19, 2.3164335806340024e18,
                               -3.588817569910106e16, 290879526383477.56,    -1322983480332.1265,
                               3413234182.3017006,    -4695753.530642996,    2701.1227108923235};
    static const double q[] = {1.1623987080032122e21, 1.185770712190321e19, 6.092061398917522e16,
                               208166122130760.75,    524371026216.76495,   1013863514.358674,
                               1501793.5949985855,    1606.9315734814877,   1.0};
    return Rational(p, q, 9, static_cast<double>(x) * static_cast<double>(x));
}

float CKVXImage::KernelBessel_P1(float x) {
    static const double p[] = {35224.66491336798, 62758.84524716128,  31353.963110915956,
                               4985.4832060594335, 211.15291828539623, 1.2571716929145342};
    static const double q[] = {35224.66491336798, 62694.34695935605,  31240.406381904104,
                               4930.396490181089, 203.07751891347593, 1.0};
    return Rational(p, q, 6, InverseSquare(x));
}

float CKVXImage::KernelBessel_Q1(float x) {
    static const double p[] = {351.17519143035526, 721.0391804904475, 425.98730116544425,
                               83.18989576738508,  4.568171629551227, 0.03532840052740124};
    static const double q[] = {7491.737417180912, 15414.177339265098, 9152.231701516992,
                               1811.1867005523513, 103.81875854621337, 1.0};
    return Rational(p, q, 6, InverseSquare(x));
}

float CKVXImage::KernelBessel_Order1(float x) {
    if (x == 0.0f) return 0.0f;
    const float t = std::fabs(x);
    if (t < 8.0f) return x * KernelBessel_J1(t);
    const float root2 = std::sqrt(2.0f);
    const float s = std::sin(t);
    const float c = std::cos(t);
    const float value = std::sqrt(2.0f / (kPi * t)) *
                        (KernelBessel_P1(t) * (s - c) / root2 + (8.0f / t) * KernelBessel_Q1(t) * (s + c) / root2);
    return x < 0.0f ? -value : value;
}

float CKVXImage::KernelBessel(float x) {
    if (x == 0.0f) return 0.78539819f;
    return KernelBessel_Order1(kPi * x) / (2.0f * x);
}

float CKVXImage::KernelGaussian(float x) {
    return 0.7978846f * std::exp(-2.0f * x * x);
}

float CKVXImage::KernelQuadratic(float x) {
    if (x < -1.5f) return 0.0f;
    if (x < -0.5f) return 0.5f * (x + 1.5f) * (x + 1.5f);
    if (x < 0.5f) return 0.75f - x * x;
    if (x < 1.5f) return 0.5f * (x - 1.5f) * (x - 1.5f);
    return 0.0f;
}

float CKVXImage::KernelMitchell(float x) {
    const float t = std::fabs(x);
    if (x >= -1.0f && x < 1.0f) return (7.0f / 6.0f) * t * t * t - 2.0f * x * x + 8.0f / 9.0f;
    if (x >= -2.0f && x < 2.0f)
        return -(7.0f / 18.0f) * t * t * t + 2.0f * x * x - (10.0f / 3.0f) * t + 16.0f / 9.0f;
    return 0.0f;
}

float CKVXImage::KernelCatrom(float x) {
    const float t = std::fabs(x);
    if (x >= -1.0f && x < 1.0f) return 0.5f * (3.0f * t * t * t - 5.0f * x * x + 2.0f);
    if (x >= -2.0f && x < 2.0f) return 0.5f * (-t * t * t + 5.0f * x * x - 8.0f * t + 4.0f);
    return 0.0f;
}
