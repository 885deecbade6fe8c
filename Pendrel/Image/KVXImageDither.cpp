// Dithering the image object to black and white: the picture becomes grey,
// then each level becomes a black or a white pixel by one of eight methods
// (error diffusion by six tables, an ordered matrix, Bayer thresholds). The
// result is a 1-bit image with black at index 0 and white at index 1 that
// keeps the selection and the alpha plane. Rows run from the bottom row up;
// a non-zero escape stops the row loop, and what was produced so far still
// replaces the image.

#include "Pendrel/Image/KVXImage.h"

#include "Pendrel/Image/KVXImageRounding.h"
#include "Pendrel/Image/KVXWorkingImage.h"

namespace {

// Ordered dither thresholds, compared with level x 16 / 255.
constexpr int kOrderedMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Bayer thresholds, compared with the level itself.
constexpr int kBayerMatrix[4][4] = {
    {0, 192, 48, 240}, {128, 64, 176, 112}, {32, 224, 16, 208}, {160, 96, 144, 80}};

// One share of a pixel's error: the pixel dx columns right and dy rows up
// receives error x weight / divisor.
struct DiffusionTarget {
    int dx;
    int dy;
    int weight;
};

struct DiffusionMethod {
    int divisor;
    int count;
    DiffusionTarget targets[14];
};

constexpr DiffusionMethod kFloydSteinberg = {16, 4, {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}};

constexpr DiffusionMethod kBurkes = {
    32, 7, {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}};

constexpr DiffusionMethod kStucki = {42,
                                     12,
                                     {{1, 0, 8},
                                      {2, 0, 4},
                                      {-2, 1, 2},
                                      {-1, 1, 4},
                                      {0, 1, 8},
                                      {1, 1, 4},
                                      {2, 1, 2},
                                      {-2, 2, 1},
                                      {-1, 2, 2},
                                      {0, 2, 4},
                                      {1, 2, 2},
                                      {2, 2, 1}}};

constexpr DiffusionMethod kJarvisJudiceNinke = {48,
                                                12,
                                                {{1, 0, 7},
                                                 {2, 0, 5},
                                                 {-2, 1, 3},
                                                 {-1, 1, 5},
                                                 {0, 1, 7},
                                                 {1, 1, 5},
                                                 {2, 1, 3},
                                                 {-2, 2, 1},
                                                 {-1, 2, 3},
                                                 {0, 2, 5},
                                                 {1, 2, 3},
                                                 {2, 2, 1}}};

constexpr DiffusionMethod kSierra = {32,
                                     10,
                                     {{1, 0, 5},
                                      {2, 0, 3},
                                      {-2, 1, 2},
                                      {-1, 1, 4},
                                      {0, 1, 5},
                                      {1, 1, 4},
                                      {2, 1, 2},
                                      {-1, 2, 2},
                                      {0, 2, 3},
                                      {1, 2, 2}}};

// Spreads over two following rows only.
constexpr DiffusionMethod kStevensonArce = {200,
                                            12,
                                            {{2, 0, 32},
                                             {-3, 1, 12},
                                             {-1, 1, 26},
                                             {1, 1, 30},
                                             {3, 1, 16},
                                             {-3, 2, 5},
                                             {-2, 2, 12},
                                             {-1, 2, 12},
                                             {0, 2, 26},
                                             {1, 2, 12},
                                             {2, 2, 12},
                                             {3, 2, 5}}};

constexpr long kOrderedDither = 1;
constexpr long kBayerDither = 7;

// The error diffusion table of a method; methods 1 and 7 have none, and
// every number outside 1 to 7 diffuses like 0.
const DiffusionMethod* DiffusionOf(long method) {
    switch (method) {
    case 2: return &kBurkes;
    case 3: return &kStucki;
    case 4: return &kJarvisJudiceNinke;
    case 5: return &kSierra;
    case 6: return &kStevensonArce;
    case kOrderedDither:
    case kBayerDither: return nullptr;
    default: return &kFloydSteinberg;
    }
}

} // namespace

bool CKVXImage::Dither(long method) {
    if (!dib) return false;
    if (header.biBitCount == 1) return true;
    // Without the grey image every level would read 0, and an all-black
    // picture would be reported as a success.
    if (!GrayScale()) return false;

    const long width = header.biWidth;
    const long height = header.biHeight;
    CKVXWorkingImage work(*this, width, height, 1, CKVXWorkingImage::SourceSettings);
    if (!work.IsValid()) return false;
    work.SelectionCopy(*this);
    work.AlphaCopy(*this);

    // From here on a pixel's index is its grey level; the diffusion methods
    // add the errors of earlier pixels into this grey image.
    const DiffusionMethod* diffusion = DiffusionOf(method);
    const size_t stride = imageInfo.effWidth;
    BYTE* const levels = imageInfo.bits;
    auto spread = [&](long x, long y, int error) {
        for (int t = 0; t < diffusion->count; ++t) {
            const DiffusionTarget& target = diffusion->targets[t];
            const long tx = x + target.dx;
            const long ty = y + target.dy;
            if (tx < 0 || tx >= width || ty >= height) continue;
            BYTE& level = levels[static_cast<size_t>(ty) * stride + static_cast<size_t>(tx)];
            level = KVXClampIntToByte(level + error * target.weight / diffusion->divisor);
        }
    };

    for (long y = 0; y < height; ++y) {
        if (GetEscape()) break;
        SetProgress(100 * y / height);
        const BYTE* row = levels + static_cast<size_t>(y) * stride;
        BYTE* out = work.GetBits(static_cast<DWORD>(y));
        for (long x = 0; x < width; ++x) {
            const int level = row[x];
            bool white;
            if (method == kOrderedDither) {
                const int d = level * 16 / 255;
                white = d == 16 || kOrderedMatrix[y & 3][x & 3] < d;
            } else if (method == kBayerDither) {
                white = level > kBayerMatrix[y & 3][x & 3];
            } else {
                white = level > 128;
                spread(x, y, white ? level - 255 : level);
            }
            if (white) out[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
        }
    }
    work.SetBlackWhitePalette();
    work.MoveTo(*this, nullptr);
    return true;
}
