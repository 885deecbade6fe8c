// The BMP codec. File structures are assembled byte by byte (little-endian).

#include "Pendrel/Image/KVXImageBMP.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXImageFile.h"

namespace {

constexpr WORD kBmpSignature = 0x4D42; // "BM"
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kInfoHeaderSize = 40;

// Row size in bytes of a bitmap of this width and depth, in 64 bits.
int64_t RowBytes(int64_t width, int64_t bitCount) {
    return ((width * bitCount + 31) >> 5) * 4;
}

long DpiFromPelsPerMeter(LONG pelsPerMeter) {
    return static_cast<long>(std::floor(pelsPerMeter * 254.0 / 10000.0 + 0.5));
}

bool IsSupportedBitCount(WORD bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

} // namespace

bool CKVXImage::DecodeAsBmp(CKVXImageFile* stream) {
    return RunDecoder<CKVXImageBMP>(stream, false);
}

bool CKVXImage::EncodeAsBmp(CKVXImageFile* stream) {
    return RunEncoder<CKVXImageBMP>(stream);
}

// ----- Info header ------------------------------------------------------------

bool CKVXImageBMP::ReadInfoHeader(CKVXImageFile* stream, BITMAPINFOHEADER* out) {
    if (!stream || !out) return false;
    BYTE raw[kInfoHeaderSize];
    if (stream->Read(raw, kInfoHeaderSize, 1) != 1) return false;
    BITMAPINFOHEADER h{};
    h.biSize = KVXGetLE32(raw);
    if (h.biSize == 12) {
        h.biWidth = KVXGetLE16(raw + 4);
        h.biHeight = KVXGetLE16(raw + 6);
        h.biPlanes = KVXGetLE16(raw + 8);
        h.biBitCount = KVXGetLE16(raw + 10);
        if (!stream->Seek(-28, 1)) return false;
    } else {
        h.biWidth = static_cast<LONG>(KVXGetLE32(raw + 4));
        h.biHeight = static_cast<LONG>(KVXGetLE32(raw + 8));
        h.biPlanes = KVXGetLE16(raw + 12);
        h.biBitCount = KVXGetLE16(raw + 14);
        h.biCompression = KVXGetLE32(raw + 16);
        h.biSizeImage = KVXGetLE32(raw + 20);
        h.biXPelsPerMeter = static_cast<LONG>(KVXGetLE32(raw + 24));
        h.biYPelsPerMeter = static_cast<LONG>(KVXGetLE32(raw + 28));
        h.biClrUsed = KVXGetLE32(raw + 32);
        h.biClrImportant = KVXGetLE32(raw + 36);
        if (h.biSize == 64) {
            if (!stream->Seek(24, 1)) return false;
        } else if (h.biSize > kInfoHeaderSize) {
            // A larger header is taken only for a plain, uncompressed bitmap.
            int64_t imageSize = 0;
            if (__builtin_mul_overflow(RowBytes(h.biWidth, h.biBitCount), int64_t{h.biHeight}, &imageSize) ||
                static_cast<int64_t>(h.biSizeImage) != imageSize || h.biPlanes != 1 || h.biCompression != 0 ||
                h.biClrUsed != 0)
                return false;
            if (!stream->Seek(static_cast<long>(h.biSize - kInfoHeaderSize), 1)) return false;
        } else if (h.biSize != kInfoHeaderSize) {
            return false;
        }
    }
    // The size is kept in 32 bits, as the header holds it.
    if (h.biSizeImage == 0)
        h.biSizeImage = static_cast<DWORD>(static_cast<uint64_t>(RowBytes(h.biWidth, h.biBitCount)) *
                                           static_cast<uint64_t>(static_cast<int64_t>(h.biHeight)));
    if (h.biClrUsed == 0 && h.biBitCount <= 8) h.biClrUsed = 1u << h.biBitCount;
    *out = h;
    return true;
}

// ----- Decoding ---------------------------------------------------------------

bool CKVXImageBMP::Decode(CKVXImageFile* stream) {
    if (!stream) return false;
    auto stop = [this](const char* text) {
        SetLastErrorText(text);
        return false;
    };
    const long start = stream->Tell();

    BYTE fileHeader[kFileHeaderSize];
    if (stream->Read(fileHeader, 1, kFileHeaderSize) == 0) return stop("Not a BMP");
    DWORD offBits = KVXGetLE32(fileHeader + 10);
    if (KVXGetLE16(fileHeader) != kBmpSignature) {
        // A bitmap without file header (a resource): the info header starts here.
        offBits = 0;
        stream->Seek(start, 0);
    }

    BITMAPINFOHEADER info;
    if (!ReadInfoHeader(stream, &info)) return stop("Error reading BMP info");
    // Depths without a pixel layout, and colour tables larger than the depth
    // allows, are not bitmaps this codec can read.
    if (!IsSupportedBitCount(info.biBitCount) || (info.biBitCount <= 8 && info.biClrUsed > (1u << info.biBitCount)) ||
        info.biHeight == INT32_MIN)
        return stop("Error reading BMP info");
    const bool oldStyle = info.biSize == 12;
    const bool topDown = info.biHeight < 0;
    if (topDown) info.biHeight = -info.biHeight;

    if (GetEscape() == -1) {
        // Dimensions only: the caller reads the size from the header.
        header.biWidth = info.biWidth;
        header.biHeight = info.biHeight;
        SetLastErrorText("output dimensions returned");
        return true;
    }

    // Uncompressed pixels take the room the header claims: a claim larger
    // than what the stream holds is no picture, and is not allocated.
    if (info.biCompression == BI_RGB || info.biCompression == BI_BITFIELDS) {
        const long size = stream->Size();
        const long pixelStart = offBits != 0 ? start + static_cast<long>(offBits) : stream->Tell();
        int64_t claim = 0;
        if (size > 0 && (__builtin_mul_overflow(RowBytes(info.biWidth, info.biBitCount), int64_t{info.biHeight}, &claim) ||
                         claim > int64_t{size} - pixelStart))
            return stop("Error reading BMP info");
    }

    if (!Create(static_cast<DWORD>(info.biWidth), static_cast<DWORD>(info.biHeight), info.biBitCount, ImageTypeBmp))
        return stop("Can't allocate memory");
    SetXDPI(DpiFromPelsPerMeter(info.biXPelsPerMeter));
    SetYDPI(DpiFromPelsPerMeter(info.biYPelsPerMeter));
    header.biXPelsPerMeter = info.biXPelsPerMeter;
    header.biYPelsPerMeter = info.biYPelsPerMeter;
    if (GetEscape()) return stop("Cancelled");

    RGBQUAD* palette = GetPalette();
    if (palette) {
        const DWORD entries = info.biClrUsed;
        BYTE* bytes = reinterpret_cast<BYTE*>(palette);
        if (oldStyle) {
            // Three bytes per entry, widened in place from the last entry down.
            stream->Read(bytes, 3, entries);
            for (DWORD i = entries; i-- > 0;) palette[i] = RGBQUAD{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2], 0};
        } else {
            stream->Read(bytes, 4, entries);
            for (DWORD i = 0; i < header.biClrUsed; ++i) palette[i].rgbReserved = 0;
        }
        ClearNearestCache();
    }
    if (GetEscape()) return stop("Cancelled");

    auto seekToPixels = [&]() {
        if (offBits != 0) stream->Seek(start + static_cast<long>(offBits), 0);
    };
    const size_t width = GetWidth();
    const size_t height = GetHeight();
    switch (info.biBitCount) {
    case 32: {
        seekToPixels();
        if (info.biCompression != BI_RGB && info.biCompression != BI_BITFIELDS) return stop("unknown compression");
        std::unique_ptr<BYTE, decltype(&std::free)> buffer(static_cast<BYTE*>(std::calloc(width * height, 4)),
                                                           &std::free);
        if (!buffer) return stop("can't allocate memory");
        stream->Read(buffer.get(), 4 * width, height);
        Bitfield2RGB(buffer.get(), 0, 0, 0, 32);
        break;
    }
    case 24:
        seekToPixels();
        if (info.biCompression != BI_RGB) return stop("unknown compression");
        stream->Read(imageInfo.bits, 1, header.biSizeImage);
        break;
    case 16: {
        DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (info.biCompression == BI_BITFIELDS) {
            for (DWORD& mask : masks) KVXReadLE32(stream, mask);
        }
        seekToPixels();
        stream->Read(imageInfo.bits, (width + 1) / 2 * 4, height);
        Bitfield2RGB(imageInfo.bits, static_cast<WORD>(masks[0]), static_cast<WORD>(masks[1]),
                     static_cast<WORD>(masks[2]), 16);
        break;
    }
    default:
        seekToPixels();
        switch (info.biCompression) {
        case BI_RGB: stream->Read(imageInfo.bits, 1, header.biSizeImage); break;
        case BI_RLE8: DecodeRle(stream, false); break;
        case BI_RLE4: DecodeRle(stream, true); break;
        default: return stop("compression type not supported");
        }
        break;
    }

    if (topDown && !Flip()) return stop("Can't allocate memory");
    return true;
}

// Run-length data: pairs of count and value, or an escape (0) followed by
// end of row (0), end of bitmap (1), a delta (2, dx, dy) or an absolute run
// (3 to 255 pixels, its bytes padded to a word). RLE4 packs two pixels per
// byte, high nibble first; positions are counted in pixels, so runs and
// deltas may start at either half of a byte.
void CKVXImageBMP::DecodeRle(CKVXImageFile* stream, bool fourBit) {
    const size_t rowSize = imageInfo.effWidth;
    const size_t rows = GetHeight();
    size_t position = 0; // pixel position in the current row
    size_t row = 0;
    // Stores one pixel and moves on; false when it lies outside the rows.
    auto store = [&](BYTE value) {
        const size_t column = fourBit ? position / 2 : position;
        ++position;
        if (row >= rows || column >= rowSize) return false;
        BYTE& target = imageInfo.bits[row * rowSize + column];
        if (!fourBit) target = value;
        else if (position & 1) target = static_cast<BYTE>((target & 0x0F) | (value << 4));
        else target = static_cast<BYTE>((target & 0xF0) | value);
        return true;
    };
    auto pixel = [fourBit](long value, long i) {
        return static_cast<BYTE>(fourBit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
    };
    for (;;) {
        const long count = stream->GetC();
        if (count < 0) return;
        if (count > 0) {
            const long value = stream->GetC();
            if (value < 0) return;
            for (long i = 0; i < count; ++i) {
                // An 8-bit run passing the end of the row ends the pixel data.
                if (!store(pixel(value, i)) && !fourBit) return;
            }
            continue;
        }
        const long code = stream->GetC();
        if (code < 0 || code == 1) return;
        if (code == 0) {
            position = 0;
            if (++row >= rows) return;
        } else if (code == 2) {
            const long dx = stream->GetC();
            const long dy = stream->GetC();
            if (dx < 0 || dy < 0) return;
            position += static_cast<size_t>(dx);
            row += static_cast<size_t>(dy);
            if (row >= rows) return;
        } else {
            // Pixels past the end of the row are dropped.
            long value = 0;
            for (long i = 0; i < code; ++i) {
                if (!fourBit || (i & 1) == 0) {
                    value = stream->GetC();
                    if (value < 0) return;
                }
                store(pixel(value, i));
            }
            const long bytes = fourBit ? (code + 1) / 2 : code;
            if (bytes & 1) stream->GetC();
        }
    }
}

// ----- Encoding ---------------------------------------------------------------

bool CKVXImageBMP::Encode(CKVXImageFile* stream) {
    if (EncodeSafeCheck(stream)) return false;
    BYTE fileHeader[kFileHeaderSize] = {};
    KVXPutLE16(fileHeader, kBmpSignature);
    KVXPutLE32(fileHeader + 2, static_cast<DWORD>(GetSize()) + kFileHeaderSize);
    KVXPutLE32(fileHeader + 10, kFileHeaderSize + header.biSize + GetPaletteSize());
    // The block's own header is brought up to date before it is written.
    std::memcpy(dib, &header, sizeof header);
    return stream->Write(fileHeader, kFileHeaderSize, 1) == 1 &&
           stream->Write(dib, static_cast<size_t>(GetSize()), 1) == 1;
}
