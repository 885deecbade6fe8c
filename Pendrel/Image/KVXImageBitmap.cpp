// Conversion between the image object and bitmaps: making a bitmap from the
// image, and taking an image from a bitmap, an icon (its mask becomes the
// alpha plane) or a packed device-independent bitmap in global memory.
//
// A packed bitmap is read field by field, and every read is checked against
// the size of its block: the header (12-byte core or 40 bytes and longer),
// the colour table, the bit-field masks and the pixel rows from their own
// offset; top-down bitmaps (negative height) are turned the right way up.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "Pendrel/Image/KVXGdiBitmap.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Image/KVXGlobalMemory.h"
#include "Pendrel/Image/KVXImageEndian.h"

namespace {

constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kInfoHeaderSize = 40;
// Headers from this size on hold the three bit-field masks themselves.
constexpr DWORD kMaskHeaderSize = 52;

// Where the parts of a packed bitmap lie, in bytes from the block's start.
struct PackedLayout {
    long width = 0;
    long height = 0;  // positive; topDown tells the row order
    bool topDown = false;
    WORD bitCount = 0;
    DWORD compression = BI_RGB;
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;
    size_t colorsOffset = 0;
    size_t colorCount = 0;
    size_t colorSize = 4;
    size_t masksOffset = 0;
    size_t pixelOffset = 0;
};

// Reads the header and places the colour table, masks and pixels; false when
// the header is not one of a bitmap or the block ends before the pixels.
bool ReadLayout(const BYTE* block, size_t size, PackedLayout& layout) {
    if (size < 4) return false;
    const DWORD headerSize = KVXGetLE32(block);
    size_t masksSize = 0;
    if (headerSize == kCoreHeaderSize) {
        if (size < kCoreHeaderSize) return false;
        layout.width = KVXGetLE16(block + 4);
        layout.height = KVXGetLE16(block + 6);
        layout.bitCount = KVXGetLE16(block + 10);
        layout.colorSize = 3;
        layout.colorCount = layout.bitCount <= 8 ? (size_t{1} << layout.bitCount) : 0;
    } else if (headerSize >= kInfoHeaderSize && headerSize <= size) {
        layout.width = static_cast<int32_t>(KVXGetLE32(block + 4));
        const long height = static_cast<int32_t>(KVXGetLE32(block + 8));
        layout.topDown = height < 0;
        layout.height = height < 0 ? -height : height;
        layout.bitCount = KVXGetLE16(block + 14);
        layout.compression = KVXGetLE32(block + 16);
        layout.xPelsPerMeter = static_cast<int32_t>(KVXGetLE32(block + 24));
        layout.yPelsPerMeter = static_cast<int32_t>(KVXGetLE32(block + 28));
        const DWORD colorsUsed = KVXGetLE32(block + 32);
        layout.colorCount = colorsUsed;
        if (colorsUsed == 0 && layout.bitCount <= 8) layout.colorCount = size_t{1} << layout.bitCount;
        if (layout.compression == BI_BITFIELDS) {
            layout.masksOffset = headerSize >= kMaskHeaderSize ? kInfoHeaderSize : headerSize;
            masksSize = headerSize >= kMaskHeaderSize ? 0 : 12;
        }
    } else {
        return false;
    }
    if (layout.width <= 0 || layout.height <= 0) return false;
    layout.colorsOffset = headerSize + masksSize;
    layout.pixelOffset = layout.colorsOffset + layout.colorCount * layout.colorSize;
    if (layout.masksOffset != 0 && layout.masksOffset + 12 > size) return false;
    return layout.pixelOffset <= size;
}

long DpiFromPelsPerMeter(LONG pelsPerMeter) {
    if (pelsPerMeter == 0) return 96;
    return static_cast<long>(std::floor(static_cast<double>(pelsPerMeter) * 254.0 / 10000.0 + 0.5));
}

// The pixel rows of a bitmap are there in full: height rows of stride bytes.
bool HasRows(const PackedLayout& layout, size_t size, size_t stride) {
    const size_t available = size - layout.pixelOffset;
    return stride != 0 && available / stride >= static_cast<size_t>(layout.height);
}

// Source row of destination row y (0 the bottom row).
size_t SourceRow(const PackedLayout& layout, long y) {
    return static_cast<size_t>(layout.topDown ? layout.height - 1 - y : y);
}

// Swaps the image's rows end for end.
void TurnUpsideDown(CKVXImage& image) {
    const size_t stride = image.GetEffWidth();
    std::vector<BYTE> spare(stride);
    for (DWORD low = 0, high = image.GetHeight() - 1; low < high; ++low, --high) {
        BYTE* a = image.GetBits(low);
        BYTE* b = image.GetBits(high);
        std::memcpy(spare.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, spare.data(), stride);
    }
}

// Decodes run-length data into the image's rows from row 0: byte units for
// RLE8, nibble units (high nibble first) for RLE4. Nothing is written beyond
// a row's effWidth; the data's end counts as the end of the bitmap.
void DecodeRunLength(CKVXImage& image, const BYTE* data, size_t size, bool nibbles) {
    const long height = image.GetHeight();
    const long rowUnits = static_cast<long>(image.GetEffWidth()) * (nibbles ? 2 : 1);
    long row = 0;
    long column = 0;
    auto put = [&](BYTE value) {
        if (column < rowUnits) {
            BYTE* bits = image.GetBits(static_cast<DWORD>(row));
            if (!nibbles) {
                bits[column] = value;
            } else {
                BYTE& pair = bits[column / 2];
                pair = (column & 1) ? static_cast<BYTE>((pair & 0xF0) | (value & 0x0F))
                                    : static_cast<BYTE>((pair & 0x0F) | (value << 4));
            }
        }
        ++column;
    };
    size_t i = 0;
    while (i + 2 <= size && row < height) {
        const BYTE count = data[i];
        const BYTE value = data[i + 1];
        i += 2;
        if (count > 0) {
            // An RLE8 run that would pass the row's end ends the bitmap.
            if (!nibbles && column + count > rowUnits) return;
            for (int k = 0; k < count; ++k) put(nibbles ? ((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0:
            ++row;
            column = 0;
            break;
        case 1:
            return;
        case 2:
            if (i + 2 > size) return;
            column += data[i];
            row += data[i + 1];
            i += 2;
            break;
        default: {
            const size_t bytes = nibbles ? (value + 1u) / 2 : value;
            for (int k = 0; k < value; ++k) {
                const size_t at = i + (nibbles ? static_cast<size_t>(k / 2) : static_cast<size_t>(k));
                if (at >= size) return;
                put(nibbles ? ((k & 1) ? data[at] & 0x0F : data[at] >> 4) : data[at]);
            }
            // Literal runs keep an even byte count.
            i += bytes + (bytes & 1);
            break;
        }
        }
    }
}

} // namespace

HBITMAP CKVXImage::MakeBitmap(HDC) {
    // Bitmaps are device-independent here, whatever the device.
    HANDLE block = CopyToHandle();
    if (!block) return nullptr;
    HBITMAP bitmap = new (std::nothrow) CKVXGdiBitmap(block);
    if (!bitmap) KVXGlobalFree(block);
    return bitmap;
}

bool CKVXImage::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE) {
    // The bitmap carries its own colour table; a palette changes nothing.
    Destroy();
    if (!bitmap) return false;
    // Reading a bitmap keeps the image's own resolution.
    const long xDpi = GetXDPI();
    const long yDpi = GetYDPI();
    const bool read = CreateFromHANDLE(bitmap->GetMemory());
    SetXDPI(xDpi);
    SetYDPI(yDpi);
    if (!read) {
        SetLastErrorText("GetDIBits failed");
        return false;
    }
    return true;
}

bool CKVXImage::CreateFromHICON(HICON icon) {
    Destroy();
    if (!icon) return false;
    if (!CreateFromHBITMAP(icon->GetColor())) return false;
    // The mask's grey level inverted is the alpha: a white mask pixel is
    // fully transparent, a black one opaque.
    CKVXImage mask;
    if (!mask.CreateFromHBITMAP(icon->GetMask()) || mask.GetWidth() != GetWidth() || mask.GetHeight() != GetHeight())
        return true;
    AlphaCreate();
    const long width = header.biWidth;
    const long height = header.biHeight;
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) AlphaSet(x, y, static_cast<BYTE>(255 - mask.GetPixelGray(x, y)));
    return true;
}

bool CKVXImage::CreateFromHANDLE(HANDLE memory) {
    Destroy();
    const size_t size = KVXGlobalSize(memory);
    const BYTE* block = static_cast<const BYTE*>(KVXGlobalLock(memory));
    struct Unlock {
        HANDLE memory;
        ~Unlock() { KVXGlobalUnlock(memory); }
    } unlock{memory};
    if (!block || size == 0) return false;

    PackedLayout layout;
    if (!ReadLayout(block, size, layout)) {
        SetLastErrorText("CreateFromHANDLE: not a complete packed bitmap");
        return false;
    }
    if (!Create(static_cast<DWORD>(layout.width), static_cast<DWORD>(layout.height), layout.bitCount, 0)) return false;
    SetXDPI(DpiFromPelsPerMeter(layout.xPelsPerMeter));
    SetYDPI(DpiFromPelsPerMeter(layout.yPelsPerMeter));

    RGBQUAD* palette = GetPalette();
    const size_t entries = std::min<size_t>(layout.colorCount, header.biClrUsed);
    for (size_t i = 0; palette && i < entries; ++i) {
        const BYTE* entry = block + layout.colorsOffset + i * layout.colorSize;
        palette[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
    ClearNearestCache();

    const BYTE* pixels = block + layout.pixelOffset;
    const size_t available = size - layout.pixelOffset;
    const bool compressed = layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
    switch (layout.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (layout.compression == BI_RGB) {
            const size_t stride = imageInfo.effWidth;
            if (!HasRows(layout, size, stride)) break;
            for (long y = 0; y < layout.height; ++y)
                std::memcpy(GetBits(static_cast<DWORD>(y)), pixels + SourceRow(layout, y) * stride, stride);
            return true;
        }
        if (compressed && layout.bitCount != 24) {
            DecodeRunLength(*this, pixels, available, layout.compression == BI_RLE4);
            if (layout.topDown) TurnUpsideDown(*this);
            return true;
        }
        SetLastErrorText("compression type not supported");
        return false;
    case 16: {
        WORD masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (layout.compression == BI_BITFIELDS)
            for (int i = 0; i < 3; ++i) masks[i] = static_cast<WORD>(KVXGetLE32(block + layout.masksOffset + 4 * i));
        const size_t stride = static_cast<size_t>((layout.width + 1) / 2) * 4;
        if (!HasRows(layout, size, stride)) break;
        // The 16-bit rows go into the pixel buffer first and are widened in
        // place; they never need more room than the 24-bit rows.
        BYTE* bits = GetBits(0);
        for (long y = 0; y < layout.height; ++y)
            std::memcpy(bits + static_cast<size_t>(y) * stride, pixels + SourceRow(layout, y) * stride, stride);
        Bitfield2RGB(bits, masks[0], masks[1], masks[2], 16);
        return true;
    }
    case 32: {
        if (layout.compression != BI_RGB && layout.compression != BI_BITFIELDS) {
            SetLastErrorText("unknown compression");
            return false;
        }
        if (!HasRows(layout, size, static_cast<size_t>(layout.width) * 4)) break;
        Bitfield2RGB(const_cast<BYTE*>(pixels), 0, 0, 0, 32);
        if (layout.topDown) TurnUpsideDown(*this);
        return true;
    }
    default:
        return true;
    }
    SetLastErrorText("CreateFromHANDLE: not a complete packed bitmap");
    return false;
}
