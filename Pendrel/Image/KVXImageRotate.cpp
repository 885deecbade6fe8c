// Quarter and half turns of the image object. They move pixels without
// computing new colours, into a working image with this image's settings,
// palette and (when this image has one) an alpha plane; the selection is not
// carried. The result goes to the destination when one is given, else it
// replaces this image.
//
// A left turn (counter-clockwise as displayed) sends pixel (x, y) to
// (height - 1 - y, x), a right turn to (y, width - 1 - x). Both walk the
// result in tiles of 64 x 64 pixels, so that the reads and the writes of a
// tile stay in the cache; at 1 bpp they move the packed bits.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cstring>

#include "Pendrel/Image/KVXWorkingImage.h"

namespace {

constexpr long kTile = 64;

// Where the pixels of a quarter turn come from: result pixel (X, Y) shows
// source pixel (x, y).
struct QuarterTurn {
    bool left;
    long width;  // of the source
    long height;

    long SourceX(long X, long Y) const { return left ? Y : width - 1 - Y; }
    long SourceY(long X, long Y) const { return left ? height - 1 - X : X; }
    // Source rows to step for one result column to the right.
    long RowStep() const { return left ? -1 : 1; }
};

// The working image of a turn (made with the source's settings and palette)
// gets an alpha plane when the source has one. False when it cannot be made.
bool PrepareTurn(CKVXImage& source, CKVXWorkingImage& work) {
    if (!work.IsValid()) return false;
    if (source.AlphaIsValid()) {
        work.AlphaCreate();
        if (!work.AlphaIsValid()) return false;
    }
    return true;
}

// Sets the bit of pixel x in a packed 1-bit row.
void SetBit(BYTE* row, long x) {
    row[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
}

// At 1 bpp: the result (cleared) receives every set bit of each source row,
// fill bits included; those past the last column would land outside the
// result and are skipped.
void TurnBits(CKVXImage& source, const QuarterTurn& turn, CKVXImage& work) {
    work.Clear(0);
    const size_t stride = source.GetEffWidth();
    const size_t newStride = work.GetEffWidth();
    const BYTE* const bits = source.GetBits(0);
    BYTE* const newBits = work.GetBits(0);
    for (long y = 0; y < turn.height; ++y) {
        const BYTE* row = bits + static_cast<size_t>(y) * stride;
        for (size_t i = 0; i < stride; ++i) {
            if (row[i] == 0) continue;
            for (long bit = 0; bit < 8; ++bit) {
                const long x = static_cast<long>(i) * 8 + bit;
                if (!(row[i] & (0x80 >> bit)) || x >= turn.width) continue;
                // Result (X, Y) of source (x, y).
                const long X = turn.left ? turn.height - 1 - y : y;
                const long Y = turn.left ? x : turn.width - 1 - x;
                SetBit(newBits + static_cast<size_t>(Y) * newStride, X);
            }
        }
    }
}

// One tile of the result, columns tx ... xEnd - 1 and rows ty ... yEnd - 1.
void TurnTile(CKVXImage& source, const QuarterTurn& turn, CKVXImage& work, long tx, long ty, long xEnd,
              long yEnd) {
    const WORD bpp = source.GetBpp();
    const size_t stride = source.GetEffWidth();
    const long step = turn.RowStep() * static_cast<long>(stride);
    const BYTE* const bits = source.GetBits(0);
    for (long Y = ty; Y < yEnd; ++Y) {
        const long sx = turn.SourceX(tx, Y);
        const long sy = turn.SourceY(tx, Y);
        BYTE* out = work.GetBits(static_cast<DWORD>(Y));
        if (bpp == 24) {
            const BYTE* in = bits + static_cast<size_t>(sy) * stride + 3 * static_cast<size_t>(sx);
            for (BYTE* pixel = out + 3 * tx; pixel < out + 3 * xEnd; pixel += 3, in += step) {
                pixel[0] = in[0];
                pixel[1] = in[1];
                pixel[2] = in[2];
            }
        } else if (bpp == 8) {
            const BYTE* in = bits + static_cast<size_t>(sy) * stride + static_cast<size_t>(sx);
            for (long X = tx; X < xEnd; ++X, in += step) out[X] = *in;
        } else {
            for (long X = tx; X < xEnd; ++X)
                work.SetPixelIndex(X, Y, source.GetPixelIndex(turn.SourceX(X, Y), turn.SourceY(X, Y)));
        }
    }
}

// The alpha values of result rows ty ... yEnd - 1, columns tx ... xEnd - 1.
void TurnAlpha(CKVXImage& source, const QuarterTurn& turn, CKVXImage& work, long tx, long ty, long xEnd,
               long yEnd) {
    const BYTE* const alpha = source.AlphaGetPointer(0, 0);
    BYTE* const newAlpha = work.AlphaGetPointer(0, 0);
    if (!alpha || !newAlpha) return;
    const long newWidth = turn.height;
    for (long Y = ty; Y < yEnd; ++Y)
        for (long X = tx; X < xEnd; ++X)
            newAlpha[X + Y * newWidth] = alpha[turn.SourceX(X, Y) + turn.SourceY(X, Y) * turn.width];
}

bool TurnQuarter(CKVXImage& source, bool left, CKVXImage* destination) {
    if (!source.IsValid()) return false;
    const QuarterTurn turn{left, static_cast<long>(source.GetWidth()), static_cast<long>(source.GetHeight())};
    const long newWidth = turn.height;
    const long newHeight = turn.width;
    CKVXWorkingImage work(source, newWidth, newHeight, source.GetBpp(), CKVXWorkingImage::SourceSettingsAndPalette);
    if (!PrepareTurn(source, work)) return false;

    if (source.GetBpp() == 1) {
        TurnBits(source, turn, work);
        TurnAlpha(source, turn, work, 0, 0, newWidth, newHeight);
    } else {
        // A left turn reports progress by result columns, a right turn by
        // result rows: the outer loop runs over those.
        const long outerSize = left ? newWidth : newHeight;
        const long innerSize = left ? newHeight : newWidth;
        for (long a = 0; a < outerSize; a += kTile) {
            source.SetProgress(100 * a / outerSize);
            for (long b = 0; b < innerSize; b += kTile) {
                const long tx = left ? a : b;
                const long ty = left ? b : a;
                const long xEnd = std::min(tx + kTile, newWidth);
                const long yEnd = std::min(ty + kTile, newHeight);
                TurnTile(source, turn, work, tx, ty, xEnd, yEnd);
                TurnAlpha(source, turn, work, tx, ty, xEnd, yEnd);
            }
        }
    }
    work.MoveTo(source, destination);
    return true;
}

} // namespace

bool CKVXImage::RotateLeft(CKVXImage* destination) {
    return TurnQuarter(*this, true, destination);
}

bool CKVXImage::RotateRight(CKVXImage* destination) {
    return TurnQuarter(*this, false, destination);
}

bool CKVXImage::Rotate180(CKVXImage* destination) {
    if (!dib) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    CKVXWorkingImage work(*this, width, height, header.biBitCount, CKVXWorkingImage::SourceSettingsAndPalette);
    if (!PrepareTurn(*this, work)) return false;
    const WORD bpp = header.biBitCount;
    const size_t stride = imageInfo.effWidth;
    for (long y = 0; y < height; ++y) {
        SetProgress(100 * y / height);
        const BYTE* in = imageInfo.bits + static_cast<size_t>(y) * stride;
        BYTE* out = work.GetBits(static_cast<DWORD>(height - 1 - y));
        if (bpp == 24) {
            for (long x = 0; x < width; ++x) std::memcpy(out + 3 * (width - 1 - x), in + 3 * x, 3);
        } else if (bpp == 8) {
            std::reverse_copy(in, in + width, out);
        } else {
            for (long x = 0; x < width; ++x) work.SetPixelIndex(width - 1 - x, height - 1 - y, BlindGetPixelIndex(x, y));
        }
        if (alpha) {
            const BYTE* alphaIn = alpha + y * width;
            std::reverse_copy(alphaIn, alphaIn + width, work.AlphaGetPointer(0, height - 1 - y));
        }
    }
    work.MoveTo(*this, destination);
    return true;
}
