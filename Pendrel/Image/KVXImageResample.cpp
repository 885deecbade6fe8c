// Changing the pixel size of the image object: the fixed-method resize
// (nearest pixel, bicubic B-spline, bilinear, and an exact box filter for
// shrinking 24-bit images), the resize through the general interpolation
// methods with area averaging, a fast integer box filter that only shrinks,
// and thumbnails centred on a canvas.
//
// The result is built in a working image with this image's settings, size
// and palette and goes to the destination when one is given, else it
// replaces this image. Rows report progress; a non-zero escape stops the
// row loop and the partly built result is still moved in.
//
// Scales are width / new width and height / new height in single
// precision; real values become integers by truncation.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "Pendrel/Image/KVXBoxShrink.h"
#include "Pendrel/Image/KVXGridSampler.h"
#include "Pendrel/Image/KVXImageRounding.h"
#include "Pendrel/Image/KVXWorkingImage.h"

namespace {

float Scale(long size, long newSize) {
    return static_cast<float>(static_cast<double>(size) / static_cast<double>(newSize));
}

// The colour of a source pixel for the fixed methods: the palette colour of
// an indexed pixel, the bytes of a 24-bit row otherwise.
RGBQUAD SourceColor(CKVXImage& image, long x, long y) {
    if (image.IsIndexed()) return image.GetPixelColor(x, y, true);
    const BYTE* pixel = image.GetBits(0) + static_cast<size_t>(y) * image.GetEffWidth() + 3 * static_cast<size_t>(x);
    return RGBQUAD{pixel[0], pixel[1], pixel[2], 0};
}

// The start of every resize: a new size equal to the old one copies the
// whole image into the destination (if any) and changes nothing else.
bool IsSameSize(CKVXImage& image, long newWidth, long newHeight, CKVXImage* destination) {
    if (newWidth != static_cast<long>(image.GetWidth()) || newHeight != static_cast<long>(image.GetHeight()))
        return false;
    if (destination) destination->Copy(image, true, true, true);
    return true;
}

// The scales of Resample's fixed methods: width / new width, height / new
// height.
struct FixedScales {
    float x;
    float y;
};

// Bilinear colour of Resample at destination pixel (x, y): the four
// neighbours of the truncated source position, blended first along y, then
// along x.
RGBQUAD BilinearAt(CKVXImage& source, long x, long y, FixedScales scale) {
    const float fy = static_cast<float>(y) * scale.y;
    const long iy = KVXTruncate(fy);
    const long iy1 = std::min(static_cast<long>(source.GetHeight()) - 1, iy + 1);
    const float dy = fy - static_cast<float>(iy);
    const float fx = static_cast<float>(x) * scale.x;
    const long ix = KVXTruncate(fx);
    const long ix1 = std::min(static_cast<long>(source.GetWidth()) - 1, ix + 1);
    const float dx = fx - static_cast<float>(ix);
    const RGBQUAD c1 = SourceColor(source, ix, iy);
    const RGBQUAD c2 = SourceColor(source, ix1, iy);
    const RGBQUAD c3 = SourceColor(source, ix, iy1);
    const RGBQUAD c4 = SourceColor(source, ix1, iy1);
    auto blend = [&](BYTE RGBQUAD::*channel) {
        const float p = static_cast<float>(c1.*channel) * (1.0f - dy) + static_cast<float>(c3.*channel) * dy;
        const float q = static_cast<float>(c2.*channel) * (1.0f - dy) + static_cast<float>(c4.*channel) * dy;
        return KVXClampToByte(p * (1.0f - dx) + q * dx);
    };
    return RGBQUAD{blend(&RGBQUAD::rgbBlue), blend(&RGBQUAD::rgbGreen), blend(&RGBQUAD::rgbRed), 0};
}

// Bicubic B-spline colour of Resample at destination pixel (x, y), over the
// 4 x 4 neighbourhood with the edges clamped.
RGBQUAD BSplineAt(CKVXImage& source, long x, long y, FixedScales scale) {
    const long xMax = static_cast<long>(source.GetWidth()) - 1;
    const long yMax = static_cast<long>(source.GetHeight()) - 1;
    const float fy = static_cast<float>(y) * scale.y - 0.5f;
    const long iy = KVXFloor(fy);
    const float a = fy - std::floor(fy);
    const float fx = static_cast<float>(x) * scale.x - 0.5f;
    const long ix = KVXFloor(fx);
    const float b = fx - std::floor(fx);
    float red = 0.0f, green = 0.0f, blue = 0.0f;
    for (long m = -1; m <= 2; ++m) {
        const float r1 = CKVXImage::KernelBSpline(static_cast<float>(m) - a);
        const long yy = std::clamp(iy + m, 0L, yMax);
        for (long n = -1; n <= 2; ++n) {
            const float r2 = r1 * CKVXImage::KernelBSpline(b - static_cast<float>(n));
            const long xx = std::clamp(ix + n, 0L, xMax);
            const RGBQUAD color = SourceColor(source, xx, yy);
            red += static_cast<float>(color.rgbRed) * r2;
            green += static_cast<float>(color.rgbGreen) * r2;
            blue += static_cast<float>(color.rgbBlue) * r2;
        }
    }
    return RGBQUAD{KVXClampToByte(blue), KVXClampToByte(green), KVXClampToByte(red), 0};
}

// Nearest-pixel colour of Resample at destination pixel (x, y).
RGBQUAD NearestAt(CKVXImage& source, long x, long y, FixedScales scale) {
    return source.GetPixelColor(KVXTruncate(static_cast<float>(x) * scale.x),
                                KVXTruncate(static_cast<float>(y) * scale.y), true);
}

// Fills the working image row by row with sample(source, x, y, scale).
void ResampleRows(CKVXImage& source, CKVXWorkingImage& work, FixedScales scale,
                  RGBQUAD (*sample)(CKVXImage&, long, long, FixedScales)) {
    const long newWidth = work.GetWidth();
    const long newHeight = work.GetHeight();
    for (long y = 0; y < newHeight; ++y) {
        if (source.GetEscape()) return;
        source.SetProgress(100 * y / newHeight);
        for (long x = 0; x < newWidth; ++x) work.PutSample(x, y, sample(source, x, y, scale));
    }
}

// The sums of one output pixel of QIShrink, 64-bit: a cell may gather far
// more than 2^32 / 255 pixels.
struct ShrinkCell {
    uint64_t blue, green, red, alpha;
};

// The interpolated colour at the centre of every pixel of work, taken at
// ((x + 0.5) * scale - 0.5) of the source along each axis; rows report
// progress and an escape stops them. False when the tables cannot be made.
bool SampleGrid(CKVXImage& source, CKVXWorkingImage& work, float scaleX, float scaleY,
                CKVXImage::InterpolationMethod interpolation, CKVXImage::OverflowMethod overflow) {
    const long newWidth = work.GetWidth();
    const long newHeight = work.GetHeight();
    try {
        std::vector<float> columns(static_cast<size_t>(newWidth));
        for (long x = 0; x < newWidth; ++x) columns[static_cast<size_t>(x)] = (static_cast<float>(x) + 0.5f) * scaleX - 0.5f;
        std::vector<float> rows(static_cast<size_t>(newHeight));
        for (long y = 0; y < newHeight; ++y) rows[static_cast<size_t>(y)] = (static_cast<float>(y) + 0.5f) * scaleY - 0.5f;
        CKVXGridSampler sampler(source, std::move(columns), std::move(rows), interpolation, overflow);
        for (long y = 0; y < newHeight; ++y) {
            if (source.GetEscape()) {
                work.ClearRowsFrom(y);
                break;
            }
            source.SetProgress(100 * y / newHeight);
            sampler.Row(y, work.GetBits(static_cast<DWORD>(y)), work.AlphaGetPointer(0, y));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace

bool CKVXImage::Resample(long newWidth, long newHeight, int mode, CKVXImage* destination) {
    if (newWidth < 1 || newHeight < 1) return false;
    // Tested before the size: an emptied image keeps its old header.
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    if (IsSameSize(*this, newWidth, newHeight, destination)) return true;
    CKVXWorkingImage work(*this, newWidth, newHeight, header.biBitCount, CKVXWorkingImage::SourceSettingsAndPalette);
    if (!work.IsValid()) return false;

    const FixedScales scale{Scale(width, newWidth), Scale(height, newHeight)};
    // An indexed result takes the nearest palette entries.
    if (mode == 1) ResampleRows(*this, work, scale, NearestAt);
    else if (mode == 2) ResampleRows(*this, work, scale, BSplineAt);
    else if (width > newWidth && height > newHeight && header.biBitCount == 24) CKVXBoxShrink(*this, work, scale.x, scale.y).Run();
    else ResampleRows(*this, work, scale, BilinearAt);

    // Alpha always follows the nearest pixel.
    if (alpha) {
        work.AlphaCreate();
        for (long y = 0; y < newHeight; ++y)
            for (long x = 0; x < newWidth; ++x)
                work.AlphaSet(x, y, AlphaGet(KVXTruncate(static_cast<float>(x) * scale.x),
                                             KVXTruncate(static_cast<float>(y) * scale.y)));
    }
    work.MoveTo(*this, destination);
    return true;
}

bool CKVXImage::Resample2(long newWidth, long newHeight, InterpolationMethod interpolation, OverflowMethod overflow,
                          CKVXImage* destination, bool noAveraging) {
    if (newWidth < 1 || newHeight < 1 || !dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    if (IsSameSize(*this, newWidth, newHeight, destination)) return true;
    CKVXWorkingImage work(*this, newWidth, newHeight, header.biBitCount, CKVXWorkingImage::SourceSettingsAndPalette,
                          CKVXWorkingImage::PixelsToWrite);
    if (!work.IsValid()) return false;
    if (alpha) work.AlphaCreate();

    const float scaleX = Scale(width, newWidth);
    const float scaleY = Scale(height, newHeight);
    const bool averaging = (scaleX > 1.0f || scaleY > 1.0f) && !noAveraging;
    if (!averaging && !IsIndexed()) {
        if (!SampleGrid(*this, work, scaleX, scaleY, interpolation, overflow)) return false;
        work.MoveTo(*this, destination);
        return true;
    }
    for (long y = 0; y < newHeight; ++y) {
        if (GetEscape()) {
            work.ClearRowsFrom(y);
            break;
        }
        SetProgress(100 * y / newHeight);
        const float sourceY = (static_cast<float>(y) + 0.5f) * scaleY - 0.5f;
        for (long x = 0; x < newWidth; ++x) {
            const float sourceX = (static_cast<float>(x) + 0.5f) * scaleX - 0.5f;
            work.PutSample(x, y,
                           averaging
                               ? GetAreaColorInterpolated(sourceX, sourceY, scaleX, scaleY, interpolation, overflow)
                               : GetPixelColorInterpolated(sourceX, sourceY, interpolation, overflow));
        }
    }
    work.MoveTo(*this, destination);
    return true;
}

bool CKVXImage::QIShrink(long newWidth, long newHeight, CKVXImage* destination) {
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    if (newWidth > width || newHeight > height) {
        SetLastErrorText("QIShrink can't enlarge image");
        return false;
    }
    if (IsSameSize(*this, newWidth, newHeight, destination)) return true;
    CKVXWorkingImage work(*this, newWidth, newHeight, header.biBitCount, CKVXWorkingImage::SourceSettingsAndPalette);
    if (!work.IsValid()) return false;
    if (alpha) work.AlphaCreate();

    // Source column x adds to cell floor(x * newWidth / width): counted
    // without divisions, the cell moving on whenever the column counter
    // reaches the width. Each cell so takes a run of columns, from
    // firstColumn[u] up to firstColumn[u + 1].
    std::vector<long> firstColumn(static_cast<size_t>(newWidth) + 1, width);
    firstColumn[0] = 0;
    for (long x = 0, cell = 0, counter = 0; x < width; ++x) {
        counter += newWidth;
        if (counter >= width) {
            counter -= width;
            if (++cell < newWidth) firstColumn[static_cast<size_t>(cell)] = x + 1;
        }
    }
    std::vector<ShrinkCell> cells(static_cast<size_t>(newWidth), ShrinkCell{0, 0, 0, 0});
    const bool indexed = header.biClrUsed != 0;
    // Each cell's sums divided by its pixel count give the output pixel.
    auto output = [&](long row, long rows) {
        for (long u = 0; u < newWidth; ++u) {
            ShrinkCell& cell = cells[static_cast<size_t>(u)];
            const long columns = firstColumn[static_cast<size_t>(u) + 1] - firstColumn[static_cast<size_t>(u)];
            const uint64_t count = std::max<uint64_t>(static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows), 1);
            auto mean = [count](uint64_t sum) { return static_cast<BYTE>(std::min<uint64_t>(sum / count, 255)); };
            // The alpha plane of a paletted result keeps its 255.
            work.PutSample(u, row, RGBQUAD{mean(cell.blue), mean(cell.green), mean(cell.red), mean(cell.alpha)});
            cell = ShrinkCell{0, 0, 0, 0};
        }
    };
    // Adds one source row to the cells.
    auto add = [&](long y) {
        const BYTE* in = imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth;
        const BYTE* alphaIn = AlphaGetPointer(0, y);
        for (long u = 0; u < newWidth; ++u) {
            ShrinkCell& cell = cells[static_cast<size_t>(u)];
            uint64_t blue = 0, green = 0, red = 0, alphaSum = 0;
            const long end = firstColumn[static_cast<size_t>(u) + 1];
            for (long x = firstColumn[static_cast<size_t>(u)]; x < end; ++x) {
                if (indexed) {
                    const RGBQUAD color = GetPixelColor(x, y, true);
                    blue += color.rgbBlue;
                    green += color.rgbGreen;
                    red += color.rgbRed;
                    alphaSum += color.rgbReserved;
                } else {
                    blue += in[3 * x];
                    green += in[3 * x + 1];
                    red += in[3 * x + 2];
                    if (alphaIn) alphaSum += alphaIn[x];
                }
            }
            cell.blue += blue;
            cell.green += green;
            cell.red += red;
            cell.alpha += alphaSum;
        }
    };

    // Rows likewise: the row counter grows by the new height per source row
    // and the output row is complete whenever it reaches the height.
    long row = 0;
    long rows = 0;
    long rowCounter = 0;
    for (long y = 0; y < height; ++y) {
        if (GetEscape()) break;
        SetProgress(100 * y / height);
        add(y);
        ++rows;
        rowCounter += newHeight;
        if (rowCounter >= height) {
            rowCounter -= height;
            output(row++, rows);
            rows = 0;
        }
    }
    work.MoveTo(*this, destination);
    return true;
}

bool CKVXImage::Thumbnail(long newWidth, long newHeight, RGBQUAD borderColor, CKVXImage* destination) {
    if (!dib || newWidth <= 0 || newHeight <= 0) return false;
    CKVXImage copy(*this, true, true, true);
    if (!copy.IsValid()) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    if (width > newWidth || height > newHeight) {
        const float aspect = static_cast<float>(newWidth) / static_cast<float>(newHeight);
        const float factor = static_cast<float>(width) < static_cast<float>(height) * aspect
                                 ? static_cast<float>(newHeight) / static_cast<float>(height)
                                 : static_cast<float>(newWidth) / static_cast<float>(width);
        // A very long picture keeps at least one pixel across.
        const long fitWidth = std::max(1L, KVXTruncate(static_cast<float>(width) * factor));
        const long fitHeight = std::max(1L, KVXTruncate(static_cast<float>(height) * factor));
        copy.Resample(fitWidth, fitHeight, 0, nullptr);
    }
    // Centred on a canvas of exactly the box's size; a copy that does not
    // fit (or a canvas that cannot be made) is a failure.
    if (!copy.Expand(newWidth, newHeight, borderColor, nullptr)) return false;
    (destination ? *destination : *this).Transfer(copy);
    return true;
}
