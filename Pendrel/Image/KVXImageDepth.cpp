// Changing the bit depth of the image object: widening without changing any
// pixel's look, and mapping onto a smaller palette with optional error
// diffusion (dithering to black and white is in KVXImageDither.cpp).
//
// Both build their result in a working image that takes this image's
// settings, selection and alpha plane, and then replaces this image. Rows
// run from the bottom row up; a non-zero escape stops the row loop, and what
// was produced so far still replaces the image.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cstdlib>

#include "Pendrel/Image/KVXImageRounding.h"
#include "Pendrel/Image/KVXNearestColor.h"
#include "Pendrel/Image/KVXWorkingImage.h"

namespace {

// The palette of DecreaseBpp's working image: the given entries, else black
// and white or the standard palette. False at a depth without a palette.
bool SetReducedPalette(CKVXWorkingImage& work, const RGBQUAD* palette) {
    switch (work.GetBpp()) {
    case 1:
        if (palette) work.SetPalette(palette, 2);
        else work.SetBlackWhitePalette();
        return true;
    case 4:
    case 8:
        if (palette) work.SetPalette(palette, 1u << work.GetBpp());
        else work.SetStdPalette();
        return true;
    default: return false;
    }
}

// Adds error x weight / divisor to red, green and blue, held to 0 ... 255.
RGBQUAD WithError(RGBQUAD color, const int error[3], int weight, int divisor) {
    color.rgbRed = KVXClampIntToByte(color.rgbRed + error[0] * weight / divisor);
    color.rgbGreen = KVXClampIntToByte(color.rgbGreen + error[1] * weight / divisor);
    color.rgbBlue = KVXClampIntToByte(color.rgbBlue + error[2] * weight / divisor);
    return color;
}

} // namespace

bool CKVXImage::IncreaseBpp(DWORD bpp) {
    if (!dib) return false;
    const DWORD current = header.biBitCount;
    if (bpp != 4 && bpp != 8 && bpp != 24) return false;
    if (bpp == current) return true;
    if (bpp < current) return false;

    const long width = header.biWidth;
    const long height = header.biHeight;
    CKVXWorkingImage work(*this, width, height, bpp,
                          bpp == 24 ? CKVXWorkingImage::SourceSettings : CKVXWorkingImage::SourceSettingsAndPalette);
    if (!work.IsValid()) return false;
    // The transparent index stays set and, at 24 bpp, marks that the
    // transparent colour is in use.
    if (bpp == 24 && imageInfo.transIndex >= 0)
        work.imageInfo.transColor = GetPaletteColor(static_cast<BYTE>(imageInfo.transIndex));
    work.SelectionCopy(*this);
    work.AlphaCopy(*this);
    // Palette alpha becomes a plane, so it survives the palette.
    if (bpp == 24 && AlphaPaletteIsValid() && !alpha) work.AlphaCreate();

    for (long y = 0; y < height; ++y) {
        if (GetEscape()) break;
        for (long x = 0; x < width; ++x) {
            if (bpp == 24) work.SetPixelColor(x, y, GetPixelColor(x, y, true), true);
            else work.SetPixelIndex(x, y, BlindGetPixelIndex(x, y));
        }
    }
    work.MoveTo(*this, nullptr);
    return true;
}

bool CKVXImage::DecreaseBpp(DWORD bpp, bool diffuseError, RGBQUAD* palette, DWORD importantColors) {
    if (!dib) return false;
    const DWORD current = header.biBitCount;
    if (current < bpp) return false;
    // At the same depth the conversion only serves to restrict the
    // important colours.
    if (current == bpp &&
        (importantColors == 0 || (header.biClrImportant != 0 && header.biClrImportant < importantColors)))
        return true;

    const long width = header.biWidth;
    const long height = header.biHeight;
    CKVXWorkingImage work(*this, width, height, bpp, CKVXWorkingImage::SourceSettings);
    if (importantColors != 0) work.SetClrImportant(importantColors);
    if (!work.IsValid()) return false;
    work.SelectionCopy(*this);
    work.AlphaCopy(*this);
    if (!SetReducedPalette(work, palette)) return false;

    // The nearest entries are searched in the working palette itself, never
    // through an answer cached for this image's palette; the palette stays
    // the same for the whole call, so one search object remembers them.
    CKVXNearestColor nearest(work);
    // A 24-bit image is read and diffused into straight in its rows; an
    // indexed one through the accessors, which store each diffused colour
    // as the nearest entry of its own palette.
    const bool direct = header.biClrUsed == 0;
    auto pixel = [&](long x, long y) {
        return imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth + 3 * static_cast<size_t>(x);
    };
    auto colorAt = [&](long x, long y) {
        if (!direct) return GetPixelColor(x, y, true);
        const BYTE* p = pixel(x, y);
        return RGBQUAD{p[0], p[1], p[2], 0};
    };
    // Spreads error x weight / 16 into a pixel of this image not yet
    // visited; writes outside the image are dropped.
    auto spread = [&](long x, long y, const int error[3], int weight) {
        if (!IsInside(x, y)) return;
        if (!direct) {
            SetPixelColor(x, y, WithError(GetPixelColor(x, y, true), error, weight, 16), false);
            return;
        }
        BYTE* p = pixel(x, y);
        p[0] = KVXClampIntToByte(p[0] + error[2] * weight / 16);
        p[1] = KVXClampIntToByte(p[1] + error[1] * weight / 16);
        p[2] = KVXClampIntToByte(p[2] + error[0] * weight / 16);
    };

    for (long y = 0; y < height; ++y) {
        if (GetEscape()) break;
        SetProgress(y * 100 / height);
        for (long x = 0; x < width; ++x) {
            const RGBQUAD color = colorAt(x, y);
            const BYTE index = nearest.Find(color);
            work.SetPixelIndex(x, y, index);
            if (!diffuseError) continue;
            const RGBQUAD held = work.GetPaletteColor(index);
            const int error[3] = {color.rgbRed - held.rgbRed, color.rgbGreen - held.rgbGreen,
                                  color.rgbBlue - held.rgbBlue};
            // These weights add up to 14/16, not 16/16.
            spread(x + 1, y, error, 7);
            spread(x - 1, y + 1, error, 2);
            spread(x, y + 1, error, 4);
            spread(x + 1, y + 1, error, 1);
        }
    }
    if (current == 1) work.SetBlackWhitePalette();
    work.MoveTo(*this, nullptr);
    return true;
}
