// The PNG decoder over arbitrary bytes; whatever it decodes must encode and
// decode again to the same pixels.

#include "fuzz/ImageFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    CKVXImage image;
    if (!image.Decode(data, static_cast<DWORD>(size), CKVXImage::ImageTypePng)) return 0;
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
