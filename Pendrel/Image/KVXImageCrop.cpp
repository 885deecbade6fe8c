// Cutting a rectangle out of the image object and enlarging its canvas with
// a border colour. Both take their rectangle or margins in picture terms
// (top is the distance from the upper edge) and build a new image with the
// settings of a new image: only the palette, the transparent index and the
// transparent colour come along. The result goes to the destination when one
// is given, else it replaces this image.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "Pendrel/Image/KVXWorkingImage.h"

namespace {

// Bytes from the start of a row to pixel x, at 8 or 24 bpp.
size_t ByteOffset(long x, WORD bpp) {
    return static_cast<size_t>(x) * bpp / 8;
}

} // namespace

bool CKVXImage::Crop(long left, long top, long right, long bottom, CKVXImage* destination) {
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    // Rows count from the bottom in the buffer.
    long startX = std::clamp(left, 0L, width);
    long endX = std::clamp(right, 0L, width);
    long startY = height - std::clamp(top, 0L, height);
    long endY = height - std::clamp(bottom, 0L, height);
    if (startX == endX || startY == endY) return false;
    // The corners may come in either order.
    if (startX > endX) std::swap(startX, endX);
    if (startY > endY) std::swap(startY, endY);

    const long newWidth = endX - startX;
    const long newHeight = endY - startY;
    const WORD bpp = header.biBitCount;
    CKVXWorkingImage result(*this, newWidth, newHeight, bpp, CKVXWorkingImage::NewSettingsWithPalette);
    if (!result.IsValid()) return false;

    for (long y = startY; y < endY; ++y) {
        SetProgress(100 * y / endY);
        if (bpp == 8 || bpp == 24) {
            std::memcpy(result.GetBits(static_cast<DWORD>(y - startY)), GetBits(static_cast<DWORD>(y)) + ByteOffset(startX, bpp),
                        ByteOffset(newWidth, bpp));
        } else {
            for (long x = startX; x < endX; ++x) result.SetPixelIndex(x - startX, y - startY, BlindGetPixelIndex(x, y));
        }
    }
    if (alpha) {
        result.AlphaCreate();
        if (!result.alpha) return false;
        for (long y = startY; y < endY; ++y)
            std::memcpy(result.alpha + (y - startY) * newWidth, alpha + y * width + startX, static_cast<size_t>(newWidth));
    }
    result.MoveTo(*this, destination);
    return true;
}

bool CKVXImage::Crop(const RECT& rect, CKVXImage* destination) {
    return Crop(rect.left, rect.top, rect.right, rect.bottom, destination);
}

bool CKVXImage::Expand(long left, long top, long right, long bottom, RGBQUAD borderColor, CKVXImage* destination) {
    if (!dib || left < 0 || top < 0 || right < 0 || bottom < 0) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    // Margins so large that the size leaves 32 bits make no image.
    if (left > INT32_MAX || top > INT32_MAX || right > INT32_MAX || bottom > INT32_MAX) return false;
    const long newWidth = left + width + right;
    const long newHeight = top + height + bottom;

    const WORD bpp = header.biBitCount;
    CKVXWorkingImage result(*this, newWidth, newHeight, bpp, CKVXWorkingImage::NewSettingsWithPalette);
    if (!result.IsValid()) return false;

    if (bpp == 8 || bpp == 24) {
        if (bpp == 8) {
            std::memset(result.imageInfo.bits, result.GetNearestIndex(borderColor), result.header.biSizeImage);
        } else {
            for (long y = 0; y < newHeight; ++y) {
                BYTE* row = result.GetBits(static_cast<DWORD>(y));
                for (long x = 0; x < newWidth; ++x) {
                    row[3 * x] = borderColor.rgbBlue;
                    row[3 * x + 1] = borderColor.rgbGreen;
                    row[3 * x + 2] = borderColor.rgbRed;
                }
            }
        }
        // The bottom margin lies below the picture.
        for (long y = 0; y < height; ++y) {
            SetProgress(100 * y / height);
            std::memcpy(result.GetBits(static_cast<DWORD>(bottom + y)) + ByteOffset(left, bpp),
                        GetBits(static_cast<DWORD>(y)), ByteOffset(width, bpp));
        }
    } else {
        const BYTE border = result.GetNearestIndex(borderColor);
        for (long y = 0; y < newHeight; ++y) {
            SetProgress(100 * y / newHeight);
            for (long x = 0; x < newWidth; ++x) {
                const bool picture = x >= left && x < left + width && y >= bottom && y < bottom + height;
                result.SetPixelIndex(x, y, picture ? BlindGetPixelIndex(x - left, y - bottom) : border);
            }
        }
    }
    result.MoveTo(*this, destination);
    return true;
}

bool CKVXImage::Expand(long newWidth, long newHeight, RGBQUAD borderColor, CKVXImage* destination) {
    if (!dib || newWidth < header.biWidth || newHeight < header.biHeight) return false;
    // An odd extra column goes to the right, an odd extra row to the bottom.
    const long left = (newWidth - header.biWidth) / 2;
    const long top = (newHeight - header.biHeight) / 2;
    const long right = newWidth - header.biWidth - left;
    const long bottom = newHeight - header.biHeight - top;
    return Expand(left, top, right, bottom, borderColor, destination);
}
