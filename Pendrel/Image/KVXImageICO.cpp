// The ICO codec. Layout (little-endian): a 6-byte header (reserved 0, type 1
// or 2, image count), 16-byte directory entries, and per image a 40-byte info
// header (height doubled for the two masks), the palette, the colour (XOR)
// pixels bottom-up and the 1-bit AND mask bottom-up.

#include "Pendrel/Image/KVXImageICO.h"

#include <cstring>
#include <vector>

#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXImageFile.h"

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kInfoHeaderSize = 40;
// An icon image may be a whole PNG stream instead of a bitmap.
constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

size_t MaskRowBytes(size_t width) {
    return (width + 31) / 32 * 4;
}

bool MaskBit(const BYTE* mask, size_t maskRow, long x, long y) {
    return (mask[static_cast<size_t>(y) * maskRow + static_cast<size_t>(x) / 8] >> (7 - (x & 7))) & 1;
}

bool SameColour(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

} // namespace

bool CKVXImage::DecodeAsIco(CKVXImageFile* stream) {
    return RunDecoder<CKVXImageICO>(stream, true);
}

bool CKVXImage::EncodeAsIco(CKVXImageFile* stream) {
    return RunEncoder<CKVXImageICO>(stream);
}

// ----- Decoding ---------------------------------------------------------------

bool CKVXImageICO::Decode(CKVXImageFile* stream) {
    if (!stream) return false;
    const long start = stream->Tell();
    BYTE fileHeader[kHeaderSize];
    if (stream->Read(fileHeader, kHeaderSize, 1) != 1) return false;
    const WORD type = KVXGetLE16(fileHeader + 2);
    if (KVXGetLE16(fileHeader) != 0 || (type != 1 && type != 2)) return false;
    const WORD count = KVXGetLE16(fileHeader + 4);
    imageInfo.numFrames = count;
    std::vector<BYTE> directory(kEntrySize * count);
    if (count && stream->Read(directory.data(), kEntrySize, count) != count) return false;
    if (imageInfo.frame < 0 || imageInfo.frame >= count) return false;

    const BYTE* entry = directory.data() + kEntrySize * static_cast<size_t>(imageInfo.frame);
    const DWORD width = entry[0];
    const DWORD height = entry[1];
    if (!stream->Seek(start + static_cast<long>(KVXGetLE32(entry + 12)), 0)) return false;
    BYTE info[kInfoHeaderSize];
    if (stream->Read(info, kInfoHeaderSize, 1) != 1) return false;
    if (std::memcmp(info, kPngSignature, sizeof kPngSignature) == 0) {
        SetLastErrorText("Icon images stored as PNG are not supported");
        return false;
    }
    const WORD bitCount = KVXGetLE16(info + 14);
    const DWORD colorsUsed = KVXGetLE32(info + 32);
    // An entry without size (256-pixel and compressed icons) is not read.
    if (!Create(width, height, bitCount, ImageTypeIco)) return false;

    if (GetPalette()) {
        // A smaller colour count in the header is the table's real length.
        DWORD entries = header.biClrUsed;
        if (colorsUsed != 0 && colorsUsed < entries) entries = colorsUsed;
        std::vector<RGBQUAD> colors(entries, RGBQUAD{0, 0, 0, 0});
        stream->Read(colors.data(), sizeof(RGBQUAD), entries);
        SetPalette(colors.data(), entries);
    }

    const long w = static_cast<long>(width);
    const long h = static_cast<long>(height);
    if (bitCount <= 24) {
        stream->Read(imageInfo.bits, 1, header.biSizeImage);
    } else {
        std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
        stream->Read(pixels.data(), 4 * static_cast<size_t>(width), height);
        AlphaCreate();
        if (!alpha) return false;
        const BYTE* source = pixels.data();
        for (long y = 0; y < h; ++y) {
            BYTE* row = imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth;
            for (long x = 0; x < w; ++x, source += 4) {
                std::memcpy(row + 3 * x, source, 3);
                AlphaSet(x, y, source[3]);
            }
        }
        // The alpha channel holds the icon's transparency; the mask only
        // repeats it coarsely for readers without alpha (it could only
        // hide pixels whose alpha is 0 already).
        return true;
    }

    const size_t maskRow = MaskRowBytes(width);
    std::vector<BYTE> mask(maskRow * height, 0);
    if (stream->Read(mask.data(), 1, mask.size()) == 0) return true; // no transparency
    ApplyMask(mask.data(), maskRow, bitCount);
    return true;
}

void CKVXImageICO::ApplyMask(const BYTE* mask, size_t maskRow, WORD bitCount) {
    const long width = header.biWidth;
    const long height = header.biHeight;
    const size_t maskSize = maskRow * static_cast<size_t>(height);
    bool allSet = true;
    for (size_t i = 0; i < maskSize && allSet; ++i) allSet = mask[i] == 0xFF;
    if (allSet) {
        // A mask that hides everything stands for an inverted image.
        imageInfo.transIndex = 0;
        Negative();
        return;
    }

    bool alphaNeeded = alpha != nullptr;
    if (!alpha) AlphaCreate();
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x)
            if (MaskBit(mask, maskRow, x, y)) {
                AlphaSet(x, y, 0);
                alphaNeeded = true;
            }
    if (!alphaNeeded) AlphaDelete();

    if (bitCount == 24) {
        // One colour under the whole mask becomes the transparent colour,
        // unless a pixel outside the mask has it too.
        bool found = false;
        RGBQUAD masked{};
        for (long y = 0; y < height; ++y)
            for (long x = 0; x < width; ++x) {
                if (!MaskBit(mask, maskRow, x, y)) continue;
                const RGBQUAD color = GetPixelColor(x, y, false);
                if (found && !SameColour(color, masked)) return;
                masked = color;
                found = true;
            }
        if (!found) return;
        for (long y = 0; y < height; ++y)
            for (long x = 0; x < width; ++x)
                if (!MaskBit(mask, maskRow, x, y) && SameColour(GetPixelColor(x, y, false), masked)) return;
        SetTransColor(masked);
        imageInfo.transIndex = 0;
        AlphaDelete();
    } else if (bitCount <= 8) {
        // The masked pixels take the first palette index that no pixel uses.
        bool used[256] = {};
        for (long y = 0; y < height; ++y)
            for (long x = 0; x < width; ++x) used[BlindGetPixelIndex(x, y)] = true;
        DWORD unused = 0;
        while (unused < header.biClrUsed && used[unused]) ++unused;
        if (unused >= header.biClrUsed) return;
        bool anyMasked = false;
        for (long y = 0; y < height; ++y)
            for (long x = 0; x < width; ++x)
                if (MaskBit(mask, maskRow, x, y)) {
                    SetPixelIndex(x, y, static_cast<BYTE>(unused));
                    anyMasked = true;
                }
        if (anyMasked) imageInfo.transIndex = static_cast<int32_t>(unused);
        AlphaDelete();
    }
}

// ----- Encoding ---------------------------------------------------------------

bool CKVXImageICO::Encode(CKVXImageFile* stream) {
    if (EncodeSafeCheck(stream)) return false;
    const long width = header.biWidth;
    const long height = header.biHeight;
    if (width > 255 || height > 255) {
        SetLastErrorText("Can't save this image as icon");
        return false;
    }
    if (header.biBitCount <= 8 && header.biClrUsed == 0) return false;

    const size_t maskRow = MaskRowBytes(static_cast<size_t>(width));
    const size_t maskSize = maskRow * static_cast<size_t>(height);
    const bool trueAlpha = alpha && header.biClrUsed == 0;
    const WORD bitCount = trueAlpha ? 32 : header.biBitCount;
    const DWORD dataSize = trueAlpha ? static_cast<DWORD>(4 * width * height) : header.biSizeImage;
    const DWORD colors = header.biClrUsed;

    BYTE head[kHeaderSize + kEntrySize + kInfoHeaderSize] = {};
    KVXPutLE16(head + 2, 1);
    KVXPutLE16(head + 4, 1);
    BYTE* entry = head + kHeaderSize;
    entry[0] = static_cast<BYTE>(width);
    entry[1] = static_cast<BYTE>(height);
    entry[2] = static_cast<BYTE>(colors);
    KVXPutLE16(entry + 6, bitCount);
    KVXPutLE32(entry + 8, static_cast<DWORD>(kInfoHeaderSize + 4 * colors + dataSize + maskSize));
    KVXPutLE32(entry + 12, kHeaderSize + kEntrySize);
    BYTE* info = entry + kEntrySize;
    KVXPutLE32(info, kInfoHeaderSize);
    KVXPutLE32(info + 4, static_cast<DWORD>(width));
    KVXPutLE32(info + 8, static_cast<DWORD>(2 * height));
    KVXPutLE16(info + 12, 1);
    KVXPutLE16(info + 14, bitCount);
    KVXPutLE32(info + 20, dataSize);
    bool written = stream->Write(head, sizeof head, 1) == 1;
    if (colors && written) written = stream->Write(GetPalette(), 4 * colors, 1) == 1;

    if (trueAlpha) {
        std::vector<BYTE> pixels(dataSize);
        BYTE* target = pixels.data();
        for (long y = 0; y < height; ++y) {
            const BYTE* row = imageInfo.bits + static_cast<size_t>(y) * imageInfo.effWidth;
            for (long x = 0; x < width; ++x, target += 4) {
                std::memcpy(target, row + 3 * x, 3);
                target[3] = BlindAlphaGet(x, y);
            }
        }
        if (written) written = stream->Write(pixels.data(), dataSize, 1) == 1;
    } else if (written) {
        written = stream->Write(imageInfo.bits, dataSize, 1) == 1;
    }

    std::vector<BYTE> mask(maskSize, 0);
    const bool paletteAlpha = AlphaPaletteIsEnabled() && GetPalette();
    const bool keyed = imageInfo.transIndex >= 0;
    const RGBQUAD transColor = GetTransColor();
    // A palette image's transparent pixels are those of the transparent
    // index: another entry of the same colour stays opaque.
    const bool keyedByIndex = keyed && GetPalette();
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) {
            const RGBQUAD color = GetPixelColor(x, y, false);
            const bool keyMatch = keyedByIndex ? BlindGetPixelIndex(x, y) == imageInfo.transIndex
                                               : keyed && SameColour(color, transColor);
            const bool transparent = (alpha && BlindAlphaGet(x, y) == 0) ||
                                     (paletteAlpha && color.rgbReserved == 0) || keyMatch;
            if (transparent) mask[static_cast<size_t>(y) * maskRow + x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
        }
    if (written && maskSize) written = stream->Write(mask.data(), maskSize, 1) == 1;
    return written;
}
