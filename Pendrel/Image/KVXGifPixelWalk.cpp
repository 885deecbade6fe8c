#include "Pendrel/Image/KVXGifPixelWalk.h"

#include "Pendrel/Image/KVXImage.h"

CKVXGifPixelWalk::CKVXGifPixelWalk(CKVXImage& walked)
    : image(walked),
      width(static_cast<long>(walked.GetWidth())),
      bpp(walked.GetBpp()),
      row(nullptr),
      rowNumber(static_cast<long>(walked.GetHeight()) - 1),
      column(0),
      pixelsLeft(0) {
    // Only palette images of 1, 4 or 8 bits have indices to walk.
    if (!walked.IsValid() || (bpp != 1 && bpp != 4 && bpp != 8)) return;
    row = walked.GetBits(static_cast<DWORD>(rowNumber));
    pixelsLeft = static_cast<unsigned long long>(width) * walked.GetHeight();
}

long CKVXGifPixelWalk::PackedIndex() const {
    if (bpp == 4) return (row[column >> 1] >> (4 * (1 - (column & 1)))) & 0x0F;
    return (row[column >> 3] >> (7 - (column & 7))) & 0x01;
}

void CKVXGifPixelWalk::NextRow() {
    column = 0;
    if (--rowNumber >= 0) row = image.GetBits(static_cast<DWORD>(rowNumber));
}
