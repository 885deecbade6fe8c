#include "Pendrel/Image/KVXWorkingImage.h"

#include <algorithm>
#include <cstdint>

CKVXWorkingImage::CKVXWorkingImage(CKVXImage& source, long width, long height, DWORD bpp) {
    CopyInfo(source);
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) return;
    Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, source.GetType());
}

void CKVXWorkingImage::TakePalette(CKVXImage& source) {
    SetPalette(source.GetPalette(), std::min<DWORD>(source.GetNumColors(), 256));
}

void CKVXWorkingImage::SetBlackWhitePalette() {
    SetPaletteColor(0, 0, 0, 0, 0);
    SetPaletteColor(1, 255, 255, 255, 0);
}

void CKVXWorkingImage::MoveTo(CKVXImage& source, CKVXImage* destination) {
    (destination ? *destination : source).Transfer(*this);
}
