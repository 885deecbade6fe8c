// Single pixels of the image object at 1, 4, 8 and 24 bits per pixel: reading
// (with the rules for positions outside the image), writing, blending,
// transparency tests and straight lines.
//
// Addressing: row y starts at bits + y * effWidth (row 0 is the bottom row);
// at 8 bpp pixel x is byte x; at 4 bpp byte x / 2, the high nibble for even x;
// at 1 bpp byte x / 8, bit 7 - x % 8; at 24 bpp bytes 3x..3x+2, blue first.

#include "Pendrel/Image/KVXImage.h"

#include <cstdlib>

BYTE CKVXImage::BlindGetPixelIndex(long x, long y) {
    const BYTE* row = imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth;
    switch (header.biBitCount) {
    case 8: return row[x];
    case 4: return static_cast<BYTE>((row[x >> 1] >> (4 * (1 - (x & 1)))) & 0x0F);
    case 1: return static_cast<BYTE>((row[x >> 3] >> (7 - (x & 7))) & 0x01);
    default: return 0;
    }
}

BYTE CKVXImage::GetPixelIndex(long x, long y) {
    if (!dib || header.biClrUsed == 0) return 0;
    if (!IsInside(x, y)) {
        if (imageInfo.transIndex != -1) return static_cast<BYTE>(imageInfo.transIndex);
        return *imageInfo.bits;
    }
    return BlindGetPixelIndex(x, y);
}

void CKVXImage::SetPixelIndex(long x, long y, BYTE index) {
    if (!dib || header.biClrUsed == 0 || !IsInside(x, y)) return;
    BYTE* row = imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth;
    switch (header.biBitCount) {
    case 8:
        row[x] = index;
        break;
    case 4: {
        const int shift = 4 * (1 - (x & 1));
        BYTE& target = row[x >> 1];
        target = static_cast<BYTE>((target & ~(0x0F << shift)) | ((index & 0x0F) << shift));
        break;
    }
    case 1: {
        const int shift = 7 - (x & 7);
        BYTE& target = row[x >> 3];
        target = static_cast<BYTE>((target & ~(1 << shift)) | ((index & 1) << shift));
        break;
    }
    default:
        break;
    }
}

void* CKVXImage::BlindGetPixelPointer(long x, long y) {
    if (header.biClrUsed != 0) return nullptr;
    return imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth + 3 * x;
}

RGBQUAD CKVXImage::BlindGetPixelColor(long x, long y) {
    if (header.biClrUsed != 0) return GetPaletteColor(BlindGetPixelIndex(x, y));
    const BYTE* pixel = static_cast<const BYTE*>(BlindGetPixelPointer(x, y));
    return RGBQUAD{pixel[0], pixel[1], pixel[2], static_cast<BYTE>(alpha ? BlindAlphaGet(x, y) : 0)};
}

RGBQUAD CKVXImage::GetPixelColor(long x, long y, bool withAlpha) {
    RGBQUAD color = imageInfo.transColor;
    if (!dib || !IsInside(x, y)) {
        // Outside, the transparent colour stands for the image, or else the
        // bottom-left pixel does.
        if (imageInfo.transIndex == -1) return dib ? GetPixelColor(0, 0, true) : imageInfo.transColor;
        if (header.biBitCount < 24) return GetPaletteColor(static_cast<BYTE>(imageInfo.transIndex));
        return imageInfo.transColor;
    }
    if (header.biClrUsed != 0) {
        color = GetPaletteColor(BlindGetPixelIndex(x, y));
    } else {
        const BYTE* pixel = static_cast<const BYTE*>(BlindGetPixelPointer(x, y));
        color.rgbBlue = pixel[0];
        color.rgbGreen = pixel[1];
        color.rgbRed = pixel[2];
    }
    if (alpha && withAlpha) color.rgbReserved = BlindAlphaGet(x, y);
    return color;
}

BYTE CKVXImage::GetPixelGray(long x, long y) {
    const RGBQUAD color = GetPixelColor(x, y, true);
    return static_cast<BYTE>((color.rgbRed * 306 + color.rgbGreen * 601 + color.rgbBlue * 117) >> 10);
}

void CKVXImage::SetPixelColor(long x, long y, RGBQUAD color, bool setAlpha) {
    if (!dib || !IsInside(x, y)) return;
    if (header.biClrUsed != 0) {
        // A paletted pixel takes the nearest entry; its alpha plane stays.
        SetPixelIndex(x, y, GetNearestIndex(color));
        return;
    }
    BYTE* pixel = static_cast<BYTE*>(BlindGetPixelPointer(x, y));
    pixel[0] = color.rgbBlue;
    pixel[1] = color.rgbGreen;
    pixel[2] = color.rgbRed;
    if (setAlpha) AlphaSet(x, y, color.rgbReserved);
}

void CKVXImage::SetPixelColor(long x, long y, COLORREF cr) {
    SetPixelColor(x, y, RGBtoRGBQUAD(cr), false);
}

void CKVXImage::BlendPixelColor(long x, long y, RGBQUAD color, float blend, bool setAlpha) {
    if (!dib || !IsInside(x, y)) return;
    // Blends outside 0..1 (or not a number) are held to that range, so every
    // channel stays a byte.
    if (!(blend > 0.0f)) blend = 0.0f;
    if (blend > 1.0f) blend = 1.0f;
    const int a = static_cast<int>(blend * 256);
    const int b = 256 - a;
    const RGBQUAD old = BlindGetPixelColor(x, y);
    RGBQUAD mixed = color;
    mixed.rgbRed = static_cast<BYTE>((color.rgbRed * a + old.rgbRed * b) >> 8);
    mixed.rgbBlue = static_cast<BYTE>((color.rgbBlue * a + old.rgbBlue * b) >> 8);
    mixed.rgbGreen = static_cast<BYTE>((color.rgbGreen * a + old.rgbGreen * b) >> 8);
    // The fourth byte stays the colour's own, for the plane as for the
    // nearest palette entry.
    SetPixelColor(x, y, mixed, setAlpha);
}

bool CKVXImage::IsTransparent(long x, long y) {
    if (!dib) return false;
    if (imageInfo.transIndex >= 0) {
        if (header.biClrUsed != 0) {
            if (GetPixelIndex(x, y) == imageInfo.transIndex) return true;
        } else {
            const RGBQUAD color = GetPixelColor(x, y, false);
            const RGBQUAD& trans = imageInfo.transColor;
            if (color.rgbBlue == trans.rgbBlue && color.rgbGreen == trans.rgbGreen && color.rgbRed == trans.rgbRed &&
                color.rgbReserved == trans.rgbReserved)
                return true;
        }
    }
    if (alpha) return AlphaGet(x, y) == 0;
    return false;
}

void CKVXImage::DrawLine(int startX, int endX, int startY, int endY, RGBQUAD color, bool setAlpha) {
    if (!dib) return;
    const long dx = std::labs(static_cast<long>(endX) - startX);
    const long dy = std::labs(static_cast<long>(endY) - startY);
    const long stepX = endX >= startX ? 1 : -1;
    const long stepY = endY >= startY ? 1 : -1;
    const bool xMajor = dx >= dy;
    const long denominator = xMajor ? dx : dy;
    const long increment = xMajor ? dy : dx;
    long accumulator = denominator / 2;
    long x = startX;
    long y = startY;
    for (long i = 0; i <= denominator; ++i) {
        SetPixelColor(x, y, color, setAlpha);
        accumulator += increment;
        if (accumulator >= denominator) {
            accumulator -= denominator;
            if (xMajor) y += stepY;
            else x += stepX;
        }
        if (xMajor) x += stepX;
        else y += stepY;
    }
}

void CKVXImage::DrawLine(int startX, int endX, int startY, int endY, COLORREF cr) {
    DrawLine(startX, endX, startY, endY, RGBtoRGBQUAD(cr), false);
}
