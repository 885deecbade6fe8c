// The library's own "RAW" format and the plain RGBA output.
//
// "RAW" layout, integers little-endian, no padding between fields:
//   "RAW"                      3 bytes
//   (height << 16) + width     u32, 16 bits per side
//   alpha flag                 u32, non-zero when an alpha plane follows
//   pixel rows                 24-bit rows exactly as in the image (bottom
//                              row first, blue, green, red, rows padded to 4)
//   alpha plane                width x height bytes, bottom row first

#include "Pendrel/Image/KVXImage.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXImageFile.h"

namespace {

const BYTE kRawSignature[3] = {'R', 'A', 'W'};

using Buffer = std::unique_ptr<BYTE, decltype(&std::free)>;

Buffer AllocateBuffer(size_t size) {
    return Buffer(static_cast<BYTE*>(std::malloc(size)), &std::free);
}

} // namespace

bool CKVXImage::DecodeRaw(CKVXImageFile* stream) {
    BYTE signature[3];
    if (stream->Read(signature, 1, 3) != 3 || std::memcmp(signature, kRawSignature, 3) != 0) return false;
    DWORD size;
    if (!KVXReadLE32(stream, size)) return false;
    BYTE flag[4];
    if (stream->Read(flag, 4, 1) != 1) return false;
    const DWORD width = size & 0xFFFF;
    const DWORD height = size >> 16;
    if (!Create(width, height, 24, ImageTypeUnknown)) return false;
    // A short pixel or alpha block still decodes: what is missing stays as
    // Create and AlphaCreate left it.
    stream->Read(imageInfo.bits, header.biSizeImage, 1);
    if (KVXGetLE32(flag) != 0) {
        AlphaCreate();
        if (!alpha) return false;
        stream->Read(alpha, static_cast<size_t>(width) * height, 1);
    }
    return true;
}

bool CKVXImage::EncodeRaw(CKVXImageFile* stream) {
    if (EncodeSafeCheck(stream)) return false;
    const DWORD width = GetWidth();
    const DWORD height = GetHeight();
    // The size word holds 16 bits for each side.
    if (width > 0xFFFF || height > 0xFFFF) return false;
    if (stream->Write(kRawSignature, 3, 1) != 1) return false;
    if (!KVXWriteLE32(stream, (height << 16) + width)) return false;
    if (!KVXWriteLE32(stream, alpha ? 1 : 0)) return false;

    // The reader always reads 24-bit rows, so other depths are written as
    // 24-bit rows too.
    if (header.biBitCount == 24) {
        if (stream->Write(imageInfo.bits, header.biSizeImage, 1) != 1) return false;
    } else {
        const size_t rowSize = (static_cast<size_t>(width) * 24 + 31) / 32 * 4;
        Buffer row = AllocateBuffer(rowSize);
        if (!row) return false;
        std::memset(row.get(), 0, rowSize);
        for (DWORD y = 0; y < height; ++y) {
            for (DWORD x = 0; x < width; ++x) {
                const RGBQUAD color = BlindGetPixelColor(x, y);
                row.get()[3 * x] = color.rgbBlue;
                row.get()[3 * x + 1] = color.rgbGreen;
                row.get()[3 * x + 2] = color.rgbRed;
            }
            if (stream->Write(row.get(), rowSize, 1) != 1) return false;
        }
    }
    if (alpha && stream->Write(alpha, static_cast<size_t>(width) * height, 1) != 1) return false;
    return true;
}

bool CKVXImage::Encode2RGBA(CKVXImageFile* stream) {
    SetLastErrorText("");
    if (EncodeSafeCheck(stream)) return false;
    const DWORD width = GetWidth();
    const DWORD height = GetHeight();
    const size_t rowSize = static_cast<size_t>(width) * 4;
    Buffer row = AllocateBuffer(rowSize);
    if (!row) return false;
    for (DWORD y = 0; y < height; ++y) {
        for (DWORD x = 0; x < width; ++x) {
            const RGBQUAD color = BlindGetPixelColor(x, y);
            BYTE* pixel = row.get() + 4 * x;
            pixel[0] = color.rgbRed;
            pixel[1] = color.rgbGreen;
            pixel[2] = color.rgbBlue;
            pixel[3] = color.rgbReserved;
        }
        if (stream->Write(row.get(), rowSize, 1) != 1) return false;
    }
    return true;
}
