#include "Pendrel/Image/KVXWorkingImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

CKVXWorkingImage::CKVXWorkingImage(CKVXImage& source, long width, long height, DWORD bpp, Settings settings,
                                   Start start) {
    CopyInfo(source);
    if (settings == NewSettingsWithPalette) {
        const int32_t transIndex = imageInfo.transIndex;
        const RGBQUAD transColor = imageInfo.transColor;
        Startup(source.GetType());
        imageInfo.transIndex = transIndex;
        imageInfo.transColor = transColor;
    }
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) return;
    const DWORD type = source.GetType();
    if (!(start == PixelsToWrite ? CreateForWriting(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, type)
                                 : Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, type)))
        return;
    if (settings != SourceSettings) SetPalette(source.GetPalette(), std::min<DWORD>(source.GetNumColors(), 256));
}

void CKVXWorkingImage::ClearRowsFrom(long y) {
    if (!dib) return;
    const long height = header.biHeight;
    y = std::max(y, 0L);
    if (y >= height) return;
    std::memset(imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth, 0,
                static_cast<size_t>(height - y) * imageInfo.effWidth);
}

void CKVXWorkingImage::SetBlackWhitePalette() {
    SetPaletteColor(0, 0, 0, 0, 0);
    SetPaletteColor(1, 255, 255, 255, 0);
}

void CKVXWorkingImage::PutSample(long x, long y, RGBQUAD color) {
    if (!dib || !IsInside(x, y)) return;
    if (header.biClrUsed != 0) {
        SetPixelColor(x, y, color, true);
        return;
    }
    BYTE* pixel = imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth + 3 * static_cast<size_t>(x);
    pixel[0] = color.rgbBlue;
    pixel[1] = color.rgbGreen;
    pixel[2] = color.rgbRed;
    if (alpha) alpha[x + y * static_cast<long>(header.biWidth)] = color.rgbReserved;
}

void CKVXWorkingImage::MoveTo(CKVXImage& source, CKVXImage* destination) {
    (destination ? *destination : source).Transfer(*this);
}
