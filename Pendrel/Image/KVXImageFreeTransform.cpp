// Transformations of the image object that map every result pixel back to a
// computed, usually fractional, source position: rotation by any angle by
// the nearest pixel (Rotate) or through the interpolation methods (Rotate2),
// cutting out a rectangle that lies at an angle, shearing, and radial
// distortions.
//
// Positions are those of the pixel buffer (x from the left, y from the
// bottom row up). Reading outside the image follows the pixel accessors'
// rules; alpha reads 0 there. Rows report progress, and a non-zero escape
// stops the row loop, the partly built result still being moved in.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "Pendrel/Image/KVXBilinearPixels.h"
#include "Pendrel/Image/KVXImageRounding.h"
#include "Pendrel/Image/KVXPoint2.h"
#include "Pendrel/Image/KVXVectorClones.h"
#include "Pendrel/Image/KVXWorkingImage.h"

namespace {

// Degrees (positive turns clockwise as displayed) to the radians of the
// rotation formulas, with a quarter circle taken as a single-precision
// arc cosine of 0.
double TurnRadians(float angle) {
    const float quarter = static_cast<float>(std::acos(0.0));
    return -static_cast<double>(angle) * static_cast<double>(quarter) / 90.0;
}

// A size in pixels from the difference of two integer bounds, or 0 when it
// does not fit (the working image then is not valid).
long SizeBetween(long low, long high, long extra) {
    const long size = high - low + extra;
    return size > INT32_MAX ? 0 : size;
}

// The region that Skew and CircleTransform rework: the selection box when
// there is a selection, else the whole image. Right and top are exclusive.
struct Area {
    long xMin, xMax, yMin, yMax;
};

Area WorkArea(CKVXImage& image) {
    if (!image.SelectionIsValid()) return Area{0, static_cast<long>(image.GetWidth()), 0, static_cast<long>(image.GetHeight())};
    RECT box;
    image.SelectionGetBox(box);
    return Area{std::max<long>(box.left, 0), std::min<long>(box.right, image.GetWidth()), std::max<long>(box.bottom, 0),
                std::min<long>(box.top, image.GetHeight())};
}

// Copies pixel (sourceX, sourceY) of the source, read by the accessors'
// rules, to (x, y) of the result: the index of an indexed image, else the
// colour; its alpha value follows (0 outside the source).
void CopyPixel(CKVXImage& source, long sourceX, long sourceY, CKVXImage& result, long x, long y) {
    if (source.IsIndexed()) result.SetPixelIndex(x, y, source.GetPixelIndex(sourceX, sourceY));
    else result.SetPixelColor(x, y, source.GetPixelColor(sourceX, sourceY, true), false);
    result.AlphaSet(x, y, source.AlphaGet(sourceX, sourceY));
}

// Skew and CircleTransform: a copy of the image (with its pixels only when
// there is a selection, since the pixels outside it keep their values)
// receives rework(copy, x, y) for each selected pixel of the area, and then
// replaces the image.
template <class Rework> bool ReworkSelection(CKVXImage& image, Rework rework) {
    CKVXImage work(image, image.SelectionIsValid(), true, true);
    if (!work.IsValid()) return false;
    const Area area = WorkArea(image);
    for (long y = area.yMin; y < area.yMax; ++y) {
        if (image.GetEscape()) break;
        image.SetProgress(100 * (y - area.yMin) / (area.yMax - area.yMin));
        for (long x = area.xMin; x < area.xMax; ++x)
            if (image.SelectionIsInside(x, y)) rework(work, x, y);
    }
    image.Transfer(work);
    return true;
}

// The source positions of a run of result pixels of one row of a rotation:
// x = c * xs[k] + sy and y = cy - s * xs[k], each plus its shift (0 when the
// result has the bounding box's size), computed as the single-pixel formula
// does; with the cells (floor), the fractions in 1/256ths that a bilinear
// blend takes there, and what each pixel gets: a blend of the 2 x 2 block
// at the cell (wholly inside the image), the constant colour outside the
// image (block wholly outside, when the overflow method gives one), or the
// single-point sampler's colour (anything else, positions far out or not a
// number included).
struct RotationRun {
    enum Kind : int32_t { Blend = 0, Outside = 1, Sampled = 2 };
    static constexpr size_t kLength = 128;
    float x[kLength], y[kLength];
    int32_t cellX[kLength], cellY[kLength];
    uint32_t fractionX[kLength], fractionY[kLength];
    int32_t kind[kLength];
};

// Positions within this distance of 0 have cells that an int32_t holds.
constexpr float kNearPosition = 1.0e9f;

KVX_VECTOR_CLONES void RotationPositions(const float* __restrict xs, size_t count, float c, float s, float sy,
                                         float cy, float shiftX, float shiftY, int32_t width, int32_t height,
                                         bool constantOutside, RotationRun& run) {
    constexpr float kLimit = kNearPosition;
    float* __restrict px = run.x;
    float* __restrict py = run.y;
    int32_t* __restrict cx = run.cellX;
    int32_t* __restrict cyCell = run.cellY;
    uint32_t* __restrict fx = run.fractionX;
    uint32_t* __restrict fy = run.fractionY;
    int32_t* __restrict kind = run.kind;
    const int32_t outsideConstant = constantOutside ? 1 : 0;
    for (size_t k = 0; k < count; ++k) {
        const float vx = (c * xs[k] + sy) + shiftX;
        const float vy = (cy - s * xs[k]) + shiftY;
        px[k] = vx;
        py[k] = vy;
        const int32_t near = (vx > -kLimit) & (vx < kLimit) & (vy > -kLimit) & (vy < kLimit);
        const float hx = std::min(std::max(vx, -kLimit), kLimit);
        const float hy = std::min(std::max(vy, -kLimit), kLimit);
        const int32_t tx = static_cast<int32_t>(hx) - (hx < 0.0f ? 1 : 0);
        const int32_t ty = static_cast<int32_t>(hy) - (hy < 0.0f ? 1 : 0);
        cx[k] = tx;
        cyCell[k] = ty;
        fx[k] = static_cast<uint32_t>(static_cast<int32_t>((hx - static_cast<float>(tx)) * 256.0f));
        fy[k] = static_cast<uint32_t>(static_cast<int32_t>((hy - static_cast<float>(ty)) * 256.0f));
        // Block inside: 0 <= cell < size - 1 on both axes; wholly outside:
        // cell < -1 or cell >= size on either (unsigned compares).
        const int32_t inside = static_cast<int32_t>(static_cast<uint32_t>(tx) < static_cast<uint32_t>(width - 1)) &
                               static_cast<int32_t>(static_cast<uint32_t>(ty) < static_cast<uint32_t>(height - 1));
        const int32_t beyond = static_cast<int32_t>(static_cast<uint32_t>(tx + 1) > static_cast<uint32_t>(width)) |
                               static_cast<int32_t>(static_cast<uint32_t>(ty + 1) > static_cast<uint32_t>(height));
        // In arithmetic (Blend 0, Outside 1, Sampled 2), which vectorises.
        const int32_t edge = RotationRun::Sampled - (beyond & outsideConstant);
        const int32_t inner = edge * (1 - inside);
        kind[k] = RotationRun::Sampled - near * (RotationRun::Sampled - inner);
    }
}

// Puts the interpolated colours of the rotation into the result. A bilinear
// rotation of a 24-bit image blends the pixels directly wherever the 2 x 2
// block lies inside the image and gives the fill colour at once wherever it
// lies wholly outside with a fill-like overflow method; everything else goes
// through the single-point sampler, which gives the same colours there.
class RotationPixels {
public:
    RotationPixels(CKVXImage& source, CKVXWorkingImage& work, CKVXImage::InterpolationMethod interpolation,
                   CKVXImage::OverflowMethod overflow, RGBQUAD& replacement)
        : m_source(source), m_work(work), m_interpolation(interpolation), m_overflow(overflow),
          m_replacement(replacement) {
        m_width = source.GetWidth();
        m_height = source.GetHeight();
        m_direct = !source.IsIndexed() && source.GetBpp() == 24 && !work.IsIndexed() &&
                   interpolation == CKVXImage::InterpolationBilinear;
        if (!m_direct) return;
        m_pixels = KVXBilinearPixels{source.GetBits(0), source.GetEffWidth(), source.AlphaGetPointer(0, 0), m_width};
        m_out = work.GetBits(0);
        m_outStride = work.GetEffWidth();
        m_outAlpha = work.AlphaGetPointer(0, 0);
        m_outWidth = work.GetWidth();
        m_constantOutside = overflow == CKVXImage::OverflowFillColor || overflow == CKVXImage::OverflowTransColor ||
                            overflow == CKVXImage::OverflowFullyTransparent;
        // Far enough out that no neighbourhood touches the image.
        if (m_constantOutside)
            m_outside = source.GetPixelColorInterpolated(-100.0f, -100.0f, interpolation, overflow, &replacement);
    }

    // Row y of the result from column begin on, count pixels (at most a
    // run's length), at the positions RotationPositions gives for the
    // pixel centres xs.
    void PutRun(long y, long begin, size_t count, const float* xs, float c, float s, float sy, float cy, float shiftX,
                float shiftY) {
        if (!m_direct) {
            for (size_t k = 0; k < count; ++k)
                Put(begin + static_cast<long>(k), y, (c * xs[k] + sy) + shiftX, (cy - s * xs[k]) + shiftY);
            return;
        }
        RotationPositions(xs, count, c, s, sy, cy, shiftX, shiftY, static_cast<int32_t>(m_width),
                          static_cast<int32_t>(m_height), m_constantOutside, m_run);
        BYTE* out = m_out + static_cast<size_t>(y) * m_outStride + 3 * static_cast<size_t>(begin);
        BYTE* outAlpha = m_outAlpha ? m_outAlpha + begin + y * m_outWidth : nullptr;
        const KVXBilinearPixels pixels = m_pixels;
        for (size_t k = 0; k < count; ++k, out += 3) {
            RGBQUAD color;
            switch (m_run.kind[k]) {
            case RotationRun::Blend:
                color = KVXBilinearBlend(pixels, m_run.cellX[k], m_run.cellY[k], m_run.fractionX[k],
                                         m_run.fractionY[k]);
                break;
            case RotationRun::Outside: color = m_outside; break;
            default:
                color = m_source.GetPixelColorInterpolated(m_run.x[k], m_run.y[k], m_interpolation, m_overflow,
                                                           &m_replacement);
                break;
            }
            out[0] = color.rgbBlue;
            out[1] = color.rgbGreen;
            out[2] = color.rgbRed;
            if (outAlpha) outAlpha[k] = color.rgbReserved;
        }
    }

    void Put(long x, long y, float sourceX, float sourceY) {
        // Positions well inside the integer range (not a number fails the
        // test) take their cells without KVXCell's range checks.
        if (m_direct && sourceX > -kNear && sourceX < kNear && sourceY > -kNear && sourceY < kNear) {
            const long xi = NearCell(sourceX);
            const long yi = NearCell(sourceY);
            if (xi >= 0 && xi + 1 < m_width && yi >= 0 && yi + 1 < m_height) {
                Write(x, y, KVXBilinearBlend(m_pixels, xi, yi, KVXBilinearFraction(sourceX, xi),
                                             KVXBilinearFraction(sourceY, yi)));
                return;
            }
            if (m_constantOutside && (xi + 1 < 0 || xi >= m_width || yi + 1 < 0 || yi >= m_height)) {
                Write(x, y, m_outside);
                return;
            }
        }
        m_work.PutSample(x, y, m_source.GetPixelColorInterpolated(sourceX, sourceY, m_interpolation, m_overflow,
                                                                  &m_replacement));
    }

private:
    static constexpr float kNear = kNearPosition;
    // KVXCell for |v| < kNear.
    static long NearCell(float v) {
        const long cell = static_cast<long>(v);
        return v < 0.0f ? cell - 1 : cell;
    }

    void Write(long x, long y, const RGBQUAD& color) {
        BYTE* pixel = m_out + static_cast<size_t>(y) * m_outStride + 3 * static_cast<size_t>(x);
        pixel[0] = color.rgbBlue;
        pixel[1] = color.rgbGreen;
        pixel[2] = color.rgbRed;
        if (m_outAlpha) m_outAlpha[x + y * m_outWidth] = color.rgbReserved;
    }

    CKVXImage& m_source;
    CKVXWorkingImage& m_work;
    CKVXImage::InterpolationMethod m_interpolation;
    CKVXImage::OverflowMethod m_overflow;
    RGBQUAD& m_replacement;
    long m_width = 0, m_height = 0;
    bool m_direct = false;
    bool m_constantOutside = false;
    RGBQUAD m_outside{};
    KVXBilinearPixels m_pixels{};
    BYTE* m_out = nullptr;
    size_t m_outStride = 0;
    BYTE* m_outAlpha = nullptr;
    long m_outWidth = 0;
    RotationRun m_run;
};

} // namespace

bool CKVXImage::Rotate(float angle, CKVXImage* destination) {
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    const double radians = TurnRadians(angle);
    const double c = std::cos(radians);
    const double s = std::sin(radians);

    // The turned corners; the fourth corner uses width - 1.
    const double corners[4][2] = {{0.0, 0.0},
                                  {static_cast<double>(width), 0.0},
                                  {0.0, static_cast<double>(height)},
                                  {static_cast<double>(width - 1), static_cast<double>(height)}};
    long minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i][0];
        const double y = corners[i][1];
        const long turnedX = KVXFloor(x * c - y * s);
        const long turnedY = KVXFloor(x * s + y * c);
        minX = i == 0 ? turnedX : std::min(minX, turnedX);
        maxX = i == 0 ? turnedX : std::max(maxX, turnedX);
        minY = i == 0 ? turnedY : std::min(minY, turnedY);
        maxY = i == 0 ? turnedY : std::max(maxY, turnedY);
    }

    const long newWidth = SizeBetween(minX, maxX, 2);
    const long newHeight = SizeBetween(minY, maxY, 2);
    CKVXWorkingImage work(*this, newWidth, newHeight, header.biBitCount, CKVXWorkingImage::SourceSettingsAndPalette);
    if (!work.IsValid()) return false;
    if (alpha) {
        // The corners that no source pixel covers stay fully transparent.
        work.AlphaCreate();
        work.AlphaClear();
    }

    for (long newY = 0; newY < newHeight; ++newY) {
        if (GetEscape()) break;
        SetProgress(100 * newY / newHeight);
        const double y = static_cast<double>(minY + newY);
        for (long newX = 0; newX < newWidth; ++newX) {
            const double x = static_cast<double>(minX + newX);
            CopyPixel(*this, KVXTruncate(x * c + y * s - 0.5), KVXTruncate(y * c - x * s - 0.5), work, newX, newY);
        }
    }
    work.MoveTo(*this, destination);
    return true;
}

bool CKVXImage::Rotate2(float angle, CKVXImage* destination, InterpolationMethod interpolation,
                        OverflowMethod overflow, RGBQUAD* outsideColor, bool useQuarterTurns, bool keepSize) {
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    const float fWidth = static_cast<float>(width);
    const float fHeight = static_cast<float>(height);
    const double radians = TurnRadians(angle);
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));

    // The corners of the pixel area.
    CKVXPoint2 corners[4] = {CKVXPoint2(-0.5f, -0.5f), CKVXPoint2(fWidth - 0.5f, -0.5f),
                             CKVXPoint2(-0.5f, fHeight - 0.5f), CKVXPoint2(fWidth - 0.5f, fHeight - 0.5f)};
    if (!keepSize) {
        const CKVXPoint2 unturned = corners[3];
        for (CKVXPoint2& p : corners) p = CKVXPoint2(p.x * c - p.y * s, p.x * s + p.y * c);
        if (useQuarterTurns) {
            // Where the exact turns put the fourth corner; the first one
            // closer than a quarter pixel decides.
            const CKVXPoint2& corner = corners[3];
            if (corner.Distance(fHeight - 0.5f, 0.5f - fWidth) < 0.25f) return RotateRight(destination);
            if (corner.Distance(0.5f - fHeight, fWidth - 0.5f) < 0.25f) return RotateLeft(destination);
            if (corner.Distance(0.5f - fWidth, 0.5f - fHeight) < 0.25f) return Rotate180(destination);
            if (corner.Distance(unturned) < 0.25f) {
                if (destination) destination->Copy(*this, true, true, true);
                return true;
            }
        }
    }

    float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const CKVXPoint2& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    long newWidth = KVXFloor(maxX - minX + 0.5f);
    long newHeight = KVXFloor(maxY - minY + 0.5f);
    float startX = ((maxX + minX) - static_cast<float>(newWidth - 1)) * 0.5f;
    float startY = ((maxY + minY) - static_cast<float>(newHeight - 1)) * 0.5f;
    const float centerX = 0.5f * static_cast<float>(newWidth);
    const float centerY = 0.5f * static_cast<float>(newHeight);
    if (keepSize) {
        // Turned about the centre.
        startX -= 0.5f * fWidth;
        startY -= 0.5f * fHeight;
        newWidth = width;
        newHeight = height;
    }

    CKVXWorkingImage work(*this, newWidth, newHeight, header.biBitCount, CKVXWorkingImage::SourceSettingsAndPalette,
                          CKVXWorkingImage::PixelsToWrite);
    if (!work.IsValid()) return false;
    if (alpha) work.AlphaCreate();
    RGBQUAD replacement = outsideColor ? *outsideColor : RGBQUAD{255, 255, 255, 0};
    RotationPixels pixels(*this, work, interpolation, overflow, replacement);

    // The pixel centres, stepped as floats from the start as the rows and
    // columns go.
    std::vector<float> xs(static_cast<size_t>(newWidth));
    float x = startX;
    for (float& v : xs) {
        v = x;
        x += 1.0f;
    }
    // Blocks of rows, each in runs of columns: a block's source pixels stay
    // in the cache while it is built.
    constexpr long kBlockRows = 32;
    const long runLength = static_cast<long>(RotationRun::kLength);
    const float shiftX = keepSize ? centerX : 0.0f;
    const float shiftY = keepSize ? centerY : 0.0f;
    float y = startY;
    for (long blockY = 0; blockY < newHeight; blockY += kBlockRows) {
        if (GetEscape()) {
            work.ClearRowsFrom(blockY);
            break;
        }
        SetProgress(100 * blockY / newHeight);
        const long rows = std::min(kBlockRows, newHeight - blockY);
        float ys[kBlockRows];
        for (long r = 0; r < rows; ++r, y += 1.0f) ys[r] = y;
        for (long begin = 0; begin < newWidth; begin += runLength) {
            const size_t count = static_cast<size_t>(std::min(runLength, newWidth - begin));
            for (long r = 0; r < rows; ++r)
                pixels.PutRun(blockY + r, begin, count, xs.data() + begin, c, s, s * ys[r], c * ys[r], shiftX,
                              shiftY);
        }
    }
    work.MoveTo(*this, destination);
    return true;
}

bool CKVXImage::CropRotatedRectangle(long left, long top, long width, long height, float angle,
                                     CKVXImage* destination) {
    if (!dib) return false;
    if (std::fabs(angle) < 0.0002f) return Crop(left, top, left + width, top + height, destination);
    const float c = std::cos(angle);
    const float s = std::sin(angle);

    // The rectangle's corners in picture terms (y downwards), offsets
    // truncated; the bounding box takes in all four, so it holds the
    // rectangle at any angle.
    const long offsetsX[4] = {0, KVXTruncate(width * c), -KVXTruncate(height * s), KVXTruncate(width * c - height * s)};
    const long offsetsY[4] = {0, KVXTruncate(width * s), KVXTruncate(height * c), KVXTruncate(width * s + height * c)};
    const long startX = left + *std::min_element(offsetsX, offsetsX + 4);
    const long endX = left + *std::max_element(offsetsX, offsetsX + 4);
    const long startY = top + *std::min_element(offsetsY, offsetsY + 4);
    const long endY = top + *std::max_element(offsetsY, offsetsY + 4);
    if (!IsInside(startX, startY) || !IsInside(endX, endY)) return false;

    CKVXImage copy(*this, true, false, true);
    if (!copy.IsValid()) return false;
    if (!copy.Crop(startX, startY, endX, endY)) return false;
    // Turning back by the angle brings the rectangle upright.
    if (!copy.Rotate(static_cast<float>(-static_cast<double>(angle) * 57.29577951308232))) return false;
    const long turnedWidth = copy.GetWidth();
    const long turnedHeight = copy.GetHeight();
    if (!copy.Crop((turnedWidth - width) / 2, (turnedHeight + height) / 2, (turnedWidth + width) / 2,
                   (turnedHeight - height) / 2))
        return false;
    (destination ? *destination : *this).Transfer(copy);
    return true;
}

bool CKVXImage::Skew(float xShear, float yShear, long pivotX, long pivotY, bool interpolate) {
    if (!dib) return false;
    return ReworkSelection(*this, [&](CKVXImage& work, long x, long y) {
        const float sourceX = static_cast<float>(x) + xShear * static_cast<float>(y - pivotY);
        const float sourceY = static_cast<float>(y) + yShear * static_cast<float>(x - pivotX);
        if (interpolate) {
            // A paletted image takes the nearest entry and keeps its alpha.
            work.SetPixelColor(x, y,
                               GetPixelColorInterpolated(sourceX, sourceY, InterpolationBilinear, OverflowTransColor),
                               true);
        } else {
            CopyPixel(*this, KVXTruncate(sourceX), KVXTruncate(sourceY), work, x, y);
        }
    });
}

bool CKVXImage::CircleTransform(int type, long maxRadius, float coefficient) {
    if (!dib) return false;
    const Area area = WorkArea(*this);
    const long xMid = header.biWidth / 2;
    const long yMid = header.biHeight / 2;
    auto distance = [](long dx, long dy) {
        return std::sqrt(static_cast<float>(static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dy) * dy));
    };
    if (maxRadius == 0) maxRadius = KVXTruncate(distance(xMid - area.xMin, yMid - area.yMin));
    if (coefficient == 0.0f) coefficient = 1.0f;
    const float radiusLimit = static_cast<float>(maxRadius);

    return ReworkSelection(*this, [&](CKVXImage& work, long x, long y) {
        const long dx = xMid - x;
        const long dy = yMid - y;
        const float radius = distance(dx, dy);
        // Beyond the disc the source lies outside the image.
        long sourceX = -1;
        long sourceY = -1;
        if (radius < radiusLimit) {
            double angle = std::atan2(static_cast<double>(dy), static_cast<double>(dx));
            float r;
            switch (type) {
            case 0: r = radius * radius / radiusLimit; break;
            case 1: r = std::sqrt(radius * radiusLimit); break;
            case 2:
                r = radius;
                angle += radius / coefficient;
                break;
            default: r = 1.0f; break;
            }
            if (type < 3) {
                sourceX = xMid + KVXTruncate(r * std::cos(angle));
                sourceY = yMid - KVXTruncate(r * std::sin(angle));
            } else if (type == 3) {
                sourceX = KVXTruncate(std::fabs(angle * static_cast<double>(area.xMax) / 6.2831852));
                sourceY = KVXTruncate(std::fabs(static_cast<float>(area.yMax) * radius / radiusLimit));
            } else {
                // The remainder takes the sign of x.
                sourceX = x + (x % 32) - 16;
                sourceY = y;
            }
        }
        CopyPixel(*this, sourceX, sourceY, work, x, y);
    });
}
