// The selection of the image object: a mask of width x height bytes laid out
// like the alpha plane (0 not selected, 255 selected by the add operations,
// any non-zero byte counts as inside), and its bounding box selectionBox in
// pixel coordinates (left and bottom inclusive, right and top exclusive).
// No mask means the whole image is selected.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Pendrel/Image/KVXGdiRegion.h"
#include "Pendrel/Image/KVXPolygonMask.h"

namespace {

long Clamp(long value, long low, long high) {
    return std::min(std::max(value, low), high);
}

// Widens the box to take in the bounds given (top and right exclusive).
void Grow(RECT& box, long left, long top, long right, long bottom) {
    box.left = static_cast<LONG>(std::min<long>(box.left, left));
    box.top = static_cast<LONG>(std::max<long>(box.top, top));
    box.right = static_cast<LONG>(std::max<long>(box.right, right));
    box.bottom = static_cast<LONG>(std::min<long>(box.bottom, bottom));
}

// The add operations make the mask when there is none.
bool HasMask(CKVXImage& image) {
    if (!image.SelectionIsValid()) image.SelectionCreate();
    return image.SelectionIsValid();
}

} // namespace

void CKVXImage::SelectionGetBox(RECT& box) {
    box = imageInfo.selectionBox;
}

bool CKVXImage::SelectionCreate() {
    SelectionDelete();
    if (!dib) return false;
    selection = static_cast<BYTE*>(std::calloc(static_cast<size_t>(GetWidth()) * GetHeight(), 1));
    return selection != nullptr;
}

bool CKVXImage::SelectionDelete() {
    std::free(selection);
    selection = nullptr;
    imageInfo.selectionBox = RECT{header.biWidth, 0, 0, header.biHeight};
    return true;
}

bool CKVXImage::SelectionClear() {
    if (!selection) return false;
    std::memset(selection, 0, static_cast<size_t>(GetWidth()) * GetHeight());
    imageInfo.selectionBox = RECT{header.biWidth, 0, 0, header.biHeight};
    return true;
}

bool CKVXImage::SelectionIsInside(long x, long y) {
    if (!IsInside(x, y)) return false;
    if (!selection) return true;
    return selection[x + y * static_cast<long>(header.biWidth)] != 0;
}

bool CKVXImage::SelectionInvert() {
    if (!selection) return false;
    const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
    for (size_t i = 0; i < size; ++i) selection[i] = static_cast<BYTE>(~selection[i]);
    return true;
}

bool CKVXImage::SelectionCopy(CKVXImage& from) {
    if (!from.selection || !dib || from.GetWidth() != GetWidth() || from.GetHeight() != GetHeight()) return false;
    const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
    if (!selection) selection = static_cast<BYTE*>(std::malloc(size));
    if (!selection) return false;
    std::memcpy(selection, from.selection, size);
    imageInfo.selectionBox = from.imageInfo.selectionBox;
    return true;
}

bool CKVXImage::SelectionSplit(CKVXImage* destination) {
    if (!selection || !destination) return false;
    return SplitPlane(selection, destination);
}

bool CKVXImage::SelectionToHRGN(HRGN& region) {
    if (!selection || !region) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    try {
        for (long y = 0; y < height; ++y) {
            const BYTE* row = selection + y * width;
            long x = 0;
            while (x < width) {
                if (row[x] != 255) {
                    ++x;
                    continue;
                }
                const long start = x;
                while (x < width && row[x] == 255) ++x;
                region->Combine(RECT{static_cast<LONG>(start), static_cast<LONG>(y), static_cast<LONG>(x),
                                     static_cast<LONG>(y + 1)});
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CKVXImage::SelectionAddRect(RECT r) {
    if (!HasMask(*this)) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    const long x0 = Clamp(std::min(r.left, r.right), 0, width);
    const long x1 = Clamp(std::max(r.left, r.right), 0, width);
    const long y0 = Clamp(std::min(r.top, r.bottom), 0, height);
    const long y1 = Clamp(std::max(r.top, r.bottom), 0, height);
    Grow(imageInfo.selectionBox, x0, y1, x1, y0);

    for (long y = y0; y < y1; ++y) std::memset(selection + y * width + x0, 255, static_cast<size_t>(x1 - x0));
    return true;
}

bool CKVXImage::SelectionAddEllipse(RECT r) {
    if (!HasMask(*this)) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    const long left = r.left;
    const long right = r.right;
    const long top = r.top;
    const long bottom = r.bottom;
    const long xRadius = std::labs(right - left) / 2;
    const long yRadius = std::labs(top - bottom) / 2;
    if (xRadius == 0 || yRadius == 0) return false;
    const long xCenter = (left + right) / 2;
    const long yCenter = (top + bottom) / 2;

    const long x0 = Clamp(xCenter - xRadius, 0, width);
    const long x1 = Clamp(xCenter + xRadius, 0, width);
    const long y0 = Clamp(yCenter - yRadius, 0, height);
    const long y1 = Clamp(yCenter + yRadius, 0, height);
    Grow(imageInfo.selectionBox, x0, y1, x1, y0);

    // The lower half runs up to the centre row, the upper half from it; both
    // only over rows inside the image.
    const long lowerEnd = Clamp(yCenter, 0, height);
    const long upperStart = Clamp(yCenter, 0, height);
    for (long x = x0; x < x1; ++x) {
        const float t = static_cast<float>(x - xCenter) / static_cast<float>(xRadius);
        const float s = static_cast<float>(yRadius) * std::sqrt(1.0f - t * t);
        // Row limits as floats, held to the image before they become integers.
        const float lowLimit = std::clamp(static_cast<float>(yCenter) - s, -1.0f, static_cast<float>(height));
        const float highLimit = std::clamp(static_cast<float>(yCenter) + s, -1.0f, static_cast<float>(height));
        const long below = static_cast<long>(lowLimit);
        const long above = static_cast<long>(highLimit);
        BYTE* column = selection + x;
        for (long y = y0; y < lowerEnd; ++y)
            if (below < y) column[y * width] = 255;
        for (long y = upperStart; y < y1; ++y)
            if (above > y) column[y * width] = 255;
    }
    return true;
}

bool CKVXImage::SelectionAddPolygon(POINT* points, long count) {
    if (!points || count < 3) return false;
    if (!HasMask(*this)) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;

    CKVXPolygonMask mask(width, height);
    if (!mask.Rasterise(points, count)) return false;

    const RECT fill = mask.GetFillBox();
    // Only the pixels of the fill box inside the image are transferred.
    for (long y = std::max<long>(fill.bottom, 0); y <= std::min<long>(fill.top, height - 1); ++y)
        for (long x = std::max<long>(fill.left, 0); x <= std::min<long>(fill.right, width - 1); ++x)
            if (mask.IsEnclosed(x, y)) selection[x + y * width] = 255;

    // The fill box (with its margin) held to the image, top and right
    // exclusive.
    if (fill.left <= fill.right && fill.bottom <= fill.top)
        Grow(imageInfo.selectionBox, std::max<long>(fill.left, 0), std::min<long>(fill.top + 1L, height),
             std::min<long>(fill.right + 1L, width), std::max<long>(fill.bottom, 0));
    return true;
}

bool CKVXImage::SelectionAddColor(RGBQUAD color) {
    if (!HasMask(*this)) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    // Left and bottom are the lowest matching column and row; top and right
    // lie one past the highest, as in every other part of the box.
    RECT found{static_cast<LONG>(width), 0, 0, static_cast<LONG>(height)};
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            const RGBQUAD pixel = GetPixelColor(x, y, true);
            if (pixel.rgbRed != color.rgbRed || pixel.rgbGreen != color.rgbGreen || pixel.rgbBlue != color.rgbBlue)
                continue;
            selection[x + y * width] = 255;
            Grow(found, x, y + 1, x + 1, y);
        }
    }
    Grow(imageInfo.selectionBox, found.left, found.top, found.right, found.bottom);
    return true;
}

bool CKVXImage::SelectionAddPixel(int x, int y) {
    if (!HasMask(*this)) return false;
    if (!IsInside(x, y)) return false;
    selection[x + y * static_cast<long>(header.biWidth)] = 255;
    return true;
}
