// Transparency of the image object: the alpha plane (one byte per pixel,
// width x height, bottom row first, no padding), palette alpha (the fourth
// byte of each palette entry) and flattening onto the transparent colour.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Blends one channel onto the transparent colour's channel with opacity a.
BYTE Flatten(BYTE channel, BYTE transparent, unsigned a) {
    return static_cast<BYTE>((channel * a + transparent * (255 - a)) / 255);
}

} // namespace

void CKVXImage::AlphaCreate() {
    if (alpha || !dib) return;
    const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
    alpha = static_cast<BYTE*>(std::malloc(size));
    if (alpha) std::memset(alpha, 255, size);
}

void CKVXImage::AlphaDelete() {
    std::free(alpha);
    alpha = nullptr;
}

void CKVXImage::AlphaClear() {
    AlphaSet(static_cast<BYTE>(0));
}

void CKVXImage::AlphaSet(BYTE level) {
    if (alpha) std::memset(alpha, level, static_cast<size_t>(GetWidth()) * GetHeight());
}

void CKVXImage::AlphaInvert() {
    if (!alpha) return;
    const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
    for (size_t i = 0; i < size; ++i) alpha[i] = static_cast<BYTE>(255 - alpha[i]);
}

void CKVXImage::AlphaSet(long x, long y, BYTE level) {
    if (alpha && IsInside(x, y)) alpha[x + y * static_cast<long>(header.biWidth)] = level;
}

BYTE CKVXImage::AlphaGet(long x, long y) {
    if (alpha && IsInside(x, y)) return BlindAlphaGet(x, y);
    return 0;
}

BYTE* CKVXImage::AlphaGetPointer(long x, long y) {
    if (alpha && IsInside(x, y)) return alpha + x + y * static_cast<long>(header.biWidth);
    return nullptr;
}

bool CKVXImage::AlphaCopy(CKVXImage& from) {
    if (!from.alpha || !dib || from.GetWidth() != GetWidth() || from.GetHeight() != GetHeight()) return false;
    const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
    if (!alpha) alpha = static_cast<BYTE*>(std::malloc(size));
    if (!alpha) return false;
    std::memcpy(alpha, from.alpha, size);
    imageInfo.alphaMax = from.imageInfo.alphaMax;
    return true;
}

bool CKVXImage::AlphaSet(CKVXImage& from) {
    // Each pixel's byte becomes its alpha value, so the source must hold one
    // byte per pixel: an 8-bit grey ramp.
    if (!from.IsGrayScale() || from.GetBpp() != 8 || !dib || from.GetWidth() != GetWidth() ||
        from.GetHeight() != GetHeight())
        return false;
    const size_t width = GetWidth();
    const size_t height = GetHeight();
    if (!alpha) alpha = static_cast<BYTE*>(std::malloc(width * height));
    if (!alpha) return false;
    for (size_t y = 0; y < height; ++y) std::memcpy(alpha + y * width, from.GetBits(0) + y * from.GetEffWidth(), width);
    return true;
}

void CKVXImage::AlphaPaletteClear() {
    RGBQUAD* palette = GetPalette();
    if (!palette) return;
    for (DWORD i = 0; i < header.biClrUsed; ++i) palette[i].rgbReserved = 0;
    ClearNearestCache();
}

bool CKVXImage::AlphaPaletteIsValid() {
    RGBQUAD* palette = GetPalette();
    if (!palette) return false;
    return std::any_of(palette, palette + header.biClrUsed, [](const RGBQUAD& entry) { return entry.rgbReserved != 0; });
}

void CKVXImage::AlphaStrip() {
    const bool paletteAlpha = AlphaPaletteIsValid();
    const bool planeAlpha = AlphaIsValid();
    if (!paletteAlpha && !planeAlpha) return;
    const long width = header.biWidth;
    const long height = header.biHeight;
    const unsigned alphaMax = imageInfo.alphaMax;
    const RGBQUAD trans = imageInfo.transColor;
    auto opacity = [&](long x, long y) -> unsigned { return planeAlpha ? AlphaGet(x, y) * alphaMax / 255 : alphaMax; };
    auto flatten = [&](RGBQUAD color, unsigned a) {
        color.rgbBlue = Flatten(color.rgbBlue, trans.rgbBlue, a);
        color.rgbGreen = Flatten(color.rgbGreen, trans.rgbGreen, a);
        color.rgbRed = Flatten(color.rgbRed, trans.rgbRed, a);
        return color;
    };

    if (header.biBitCount == 24) {
        for (long y = 0; y < height; ++y) {
            for (long x = 0; x < width; ++x)
                SetPixelColor(x, y, flatten(GetPixelColor(x, y, true), opacity(x, y)), false);
        }
        AlphaDelete();
        return;
    }

    CKVXImage flat;
    if (!flat.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, ImageTypeUnknown)) return;
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            const RGBQUAD color = GetPixelColor(x, y, true);
            unsigned a = opacity(x, y);
            if (paletteAlpha) a = a * color.rgbReserved / 255;
            flat.SetPixelColor(x, y, flatten(color, a), false);
        }
    }
    Transfer(flat);
}

bool CKVXImage::AlphaFlip() {
    if (!alpha) return false;
    const size_t width = GetWidth();
    const size_t height = GetHeight();
    BYTE* flipped = static_cast<BYTE*>(std::malloc(width * height));
    if (!flipped) return false;
    for (size_t y = 0; y < height; ++y) std::memcpy(flipped + y * width, alpha + (height - 1 - y) * width, width);
    std::free(alpha);
    alpha = flipped;
    return true;
}

bool CKVXImage::AlphaMirror() {
    if (!alpha) return false;
    const size_t width = GetWidth();
    const size_t height = GetHeight();
    BYTE* mirrored = static_cast<BYTE*>(std::malloc(width * height));
    if (!mirrored) return false;
    for (size_t y = 0; y < height; ++y)
        std::reverse_copy(alpha + y * width, alpha + (y + 1) * width, mirrored + y * width);
    std::free(alpha);
    alpha = mirrored;
    return true;
}

bool CKVXImage::SplitPlane(const BYTE* plane, CKVXImage* destination) {
    if (!plane || !destination) return false;
    const DWORD width = GetWidth();
    const DWORD height = GetHeight();
    CKVXImage grey;
    if (!grey.Create(width, height, 8, ImageTypeUnknown)) return false;
    for (DWORD y = 0; y < height; ++y) std::memcpy(grey.GetBits(y), plane + static_cast<size_t>(y) * width, width);
    grey.SetGrayPalette();
    destination->Transfer(grey);
    return true;
}

bool CKVXImage::AlphaSplit(CKVXImage* destination) {
    if (!alpha || !destination) return false;
    return SplitPlane(alpha, destination);
}

bool CKVXImage::AlphaPaletteSplit(CKVXImage* destination) {
    if (!AlphaPaletteIsValid() || !destination) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    std::unique_ptr<BYTE, decltype(&std::free)> levels(
        static_cast<BYTE*>(std::malloc(static_cast<size_t>(width) * height)), &std::free);
    if (!levels) return false;
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) levels.get()[x + y * width] = GetPixelColor(x, y, true).rgbReserved;
    }
    return SplitPlane(levels.get(), destination);
}
