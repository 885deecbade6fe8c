// The PNG decoder over arbitrary bytes; whatever it decodes must encode and
// decode again to the same pixels. The chunk checksums of the input are
// brought up to date first, so that mutations reach past libpng's CRC check.

#include <zlib.h>

#include <vector>

#include "fuzz/ImageFuzzSupport.h"

namespace {

void FixChunkChecksums(std::vector<BYTE>& file) {
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const size_t length = (size_t(file[at]) << 24) | (size_t(file[at + 1]) << 16) | (size_t(file[at + 2]) << 8) |
                              file[at + 3];
        if (length > file.size() - at - 12) return;
        const uLong crc = crc32(0, file.data() + at + 4, static_cast<uInt>(length + 4));
        BYTE* stored = file.data() + at + 8 + length;
        for (int i = 0; i < 4; ++i) stored[i] = static_cast<BYTE>(crc >> (24 - 8 * i));
        at += length + 12;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    std::vector<BYTE> file(data, data + size);
    FixChunkChecksums(file);
    CKVXImage image;
    if (!image.Decode(file.data(), static_cast<DWORD>(file.size()), CKVXImage::ImageTypePng)) return 0;
    if (static_cast<uint64_t>(image.GetWidth()) * image.GetHeight() > kvxfuzz::kMaxPixels) return 0;
    CKVXImage again;
    kvxfuzz::RoundTrip(image, CKVXImage::ImageTypePng, again);
    if (again.GetWidth() != image.GetWidth() || again.GetHeight() != image.GetHeight()) __builtin_trap();
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
            const RGBQUAD a = image.GetPixelColor(x, y, false);
            const RGBQUAD b = again.GetPixelColor(x, y, false);
            if (a.rgbRed != b.rgbRed || a.rgbGreen != b.rgbGreen || a.rgbBlue != b.rgbBlue) __builtin_trap();
        }
    return 0;
}
