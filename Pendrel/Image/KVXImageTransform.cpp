// Grey scale, negative, flip and mirror: the size-keeping transformations of
// the image object. GrayScale at 1, 4 and 24 bpp, Flip and Mirror build their
// result in a working image and move it in; GrayScale at 8 bpp and Negative
// work in place.
//
// The grey level of a colour is (blue 117 + green 601 + red 306) >> 10; the
// weights add up to 1024, so white stays 255.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Pendrel/Image/KVXVectorClones.h"

namespace {

BYTE GreyLevel(BYTE blue, BYTE green, BYTE red) {
    return static_cast<BYTE>((blue * 117 + green * 601 + red * 306) >> 10);
}

// The grey levels of a row of 24-bit pixels.
KVX_VECTOR_CLONES void GreyRow(const BYTE* __restrict source, BYTE* __restrict destination, size_t width) {
    for (size_t x = 0; x < width; ++x)
        destination[x] =
            static_cast<BYTE>((source[3 * x] * 117u + source[3 * x + 1] * 601u + source[3 * x + 2] * 306u) >> 10);
}

BYTE GreyLevel(const RGBQUAD& color) {
    return GreyLevel(color.rgbBlue, color.rgbGreen, color.rgbRed);
}

void Complement(RGBQUAD& color) {
    color.rgbBlue = static_cast<BYTE>(255 - color.rgbBlue);
    color.rgbGreen = static_cast<BYTE>(255 - color.rgbGreen);
    color.rgbRed = static_cast<BYTE>(255 - color.rgbRed);
}

} // namespace

// ----- Grey scale -------------------------------------------------------------

bool CKVXImage::GrayScale() {
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;

    // The grey levels of the palette entries are worked out aside, so that a
    // failed working image leaves the palette and transIndex as they were.
    BYTE levels[256] = {};
    const DWORD colors = std::min<DWORD>(header.biClrUsed, 256);
    const RGBQUAD* palette = GetPalette();
    for (DWORD i = 0; i < colors; ++i) levels[i] = GreyLevel(palette[i]);
    // An index past the palette reads as black, like GetPaletteColor.
    const int32_t transIndex = imageInfo.transIndex;
    const int32_t greyTransIndex =
        (transIndex >= 0 && static_cast<DWORD>(transIndex) < colors) ? levels[transIndex] : (transIndex == -1 ? -1 : 0);

    if (header.biBitCount == 8) {
        BYTE* bits = imageInfo.bits;
        for (DWORD i = 0; i < header.biSizeImage; ++i) bits[i] = levels[bits[i]];
        SetGrayPalette();
        imageInfo.transIndex = greyTransIndex;
        return true;
    }

    CKVXImage work;
    work.CopyInfo(*this);
    if (!work.CreateForWriting(static_cast<DWORD>(width), static_cast<DWORD>(height), 8, imageInfo.type)) return false;
    work.header.biXPelsPerMeter = header.biXPelsPerMeter;
    work.header.biYPelsPerMeter = header.biYPelsPerMeter;
    work.SetGrayPalette();
    const size_t planeSize = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (selection) {
        work.selection = static_cast<BYTE*>(std::malloc(planeSize));
        if (!work.selection) return false;
        std::memcpy(work.selection, selection, planeSize);
    }
    if (alpha && !work.AlphaCopy(*this)) return false;

    const bool indexed = header.biBitCount < 24;
    for (long y = 0; y < height; ++y) {
        BYTE* destination = work.imageInfo.bits + static_cast<size_t>(y) * work.imageInfo.effWidth;
        if (indexed) {
            for (long x = 0; x < width; ++x) destination[x] = levels[BlindGetPixelIndex(x, y)];
        } else {
            GreyRow(imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth, destination,
                    static_cast<size_t>(width));
        }
    }
    if (indexed) work.imageInfo.transIndex = greyTransIndex;
    return Transfer(work);
}

// ----- Negative ---------------------------------------------------------------

bool CKVXImage::Negative() {
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;

    // With a selection, only its pixels inside the selection box change.
    RECT box{0, header.biHeight, header.biWidth, 0};
    if (selection) box = imageInfo.selectionBox;
    auto selected = [&](long x, long y) { return !selection || (IsInside(x, y) && selection[x + y * width] != 0); };
    auto forEachSelected = [&](auto&& change) {
        for (long y = std::max<long>(box.bottom, 0); y < std::min<long>(box.top, height); ++y)
            for (long x = std::max<long>(box.left, 0); x < std::min<long>(box.right, width); ++x)
                if (selected(x, y)) change(x, y);
    };

    if (header.biBitCount == 24) {
        if (selection) {
            forEachSelected([&](long x, long y) {
                RGBQUAD color = GetPixelColor(x, y, true);
                Complement(color);
                SetPixelColor(x, y, color, false);
            });
        } else {
            BYTE* bits = imageInfo.bits;
            for (DWORD i = 0; i < header.biSizeImage; ++i) bits[i] = static_cast<BYTE>(~bits[i]);
        }
        Complement(imageInfo.transColor);
        return true;
    }

    if (!IsGrayScale()) {
        // A colour palette is inverted whole, selection or not.
        RGBQUAD* palette = GetPalette();
        for (DWORD i = 0; palette && i < header.biClrUsed; ++i) Complement(palette[i]);
        ClearNearestCache();
        return true;
    }

    // On the grey ramp the index is the level: complement the index, keeping
    // the bits that fit the depth.
    forEachSelected([&](long x, long y) { SetPixelIndex(x, y, static_cast<BYTE>(255 - BlindGetPixelIndex(x, y))); });
    return true;
}

// ----- Flip and mirror --------------------------------------------------------

bool CKVXImage::Flip() {
    if (!dib) return false;
    CKVXImage work(*this, false, false, true);
    if (!work.IsValid() || (alpha && !work.alpha)) return false;
    const long height = header.biHeight;
    const size_t rowSize = imageInfo.effWidth;
    for (long y = 0; y < height; ++y)
        std::memcpy(work.imageInfo.bits + y * rowSize, imageInfo.bits + (height - 1 - y) * rowSize, rowSize);
    if (work.alpha && !work.AlphaFlip()) return false;
    return Transfer(work);
}

bool CKVXImage::Mirror() {
    if (!dib) return false;
    CKVXImage work(*this, false, false, true);
    if (!work.IsValid() || (alpha && !work.alpha)) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    for (long y = 0; y < height; ++y) {
        const BYTE* source = imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth;
        BYTE* destination = work.imageInfo.bits + static_cast<size_t>(y) * work.imageInfo.effWidth;
        switch (header.biBitCount) {
        case 8:
            std::reverse_copy(source, source + width, destination);
            break;
        case 24:
            for (long x = 0; x < width; ++x) std::memcpy(destination + 3 * x, source + 3 * (width - 1 - x), 3);
            break;
        default:
            for (long x = 0; x < width; ++x) work.SetPixelIndex(x, y, BlindGetPixelIndex(width - 1 - x, y));
            break;
        }
    }
    if (work.alpha && !work.AlphaMirror()) return false;
    return Transfer(work);
}
