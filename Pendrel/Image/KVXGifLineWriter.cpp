#include "Pendrel/Image/KVXGifLineWriter.h"

#include <algorithm>

#include "Pendrel/Image/KVXImage.h"

namespace {

// Start row and row step of each interlace pass; there is no fifth pass.
struct InterlacePass {
    long start;
    long step;
};
constexpr InterlacePass kPasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
constexpr int kPassCount = sizeof kPasses / sizeof kPasses[0];

} // namespace

CKVXGifLineWriter::CKVXGifLineWriter(CKVXImage& target, bool isInterlaced)
    : image(target),
      iterator(&target),
      interlaced(isInterlaced),
      height(static_cast<long>(target.GetHeight())),
      bpp(target.GetBpp()),
      rowBytes(static_cast<long>(target.GetEffWidth())),
      nextRow(0),
      rowStep(kPasses[0].step),
      pass(0),
      rowsLeft(target.IsValid() && height > 0) {
    iterator.MoveToTopRow();
}

long CKVXGifLineWriter::Pack(BYTE* pixels, long length) const {
    if (bpp == 4) {
        for (long x = 0; x < length; x += 2) {
            const BYTE high = static_cast<BYTE>(pixels[x] << 4);
            const BYTE low = x + 1 < length ? static_cast<BYTE>(pixels[x + 1] & 0x0F) : 0;
            pixels[x / 2] = static_cast<BYTE>(high | low);
        }
        return (length + 1) / 2;
    }
    if (bpp == 1) {
        // Whole bytes first; each is written after its eight pixels are read.
        long x = 0;
        for (; x + 8 <= length; x += 8) {
            BYTE packed = 0;
            for (int bit = 0; bit < 8; ++bit) packed = static_cast<BYTE>(packed | ((pixels[x + bit] & 1) << (7 - bit)));
            pixels[x / 8] = packed;
        }
        for (; x < length; x += 8) {
            BYTE packed = 0;
            for (long bit = 0; bit < 8 && x + bit < length; ++bit)
                packed = static_cast<BYTE>(packed | ((pixels[x + bit] & 1) << (7 - bit)));
            pixels[x / 8] = packed;
        }
        return (length + 7) / 8;
    }
    return length;
}

bool CKVXGifLineWriter::AdvanceInterlaced() {
    nextRow += rowStep;
    while (nextRow >= height) {
        if (++pass >= kPassCount) return false;
        nextRow = kPasses[pass].start;
        rowStep = kPasses[pass].step;
    }
    return true;
}

int CKVXGifLineWriter::out_line(BYTE* pixels, long length) {
    if (!rowsLeft) return -1;
    if (length < 0) length = static_cast<long>(image.GetWidth());
    const long bytes = std::min(Pack(pixels, length), rowBytes);
    if (interlaced) {
        iterator.MoveToRow(height - nextRow - 1);
        iterator.SetRow(pixels, bytes);
        rowsLeft = AdvanceInterlaced();
    } else {
        iterator.SetRow(pixels, bytes);
        rowsLeft = iterator.MoveToRowBelow();
    }
    return 0;
}
