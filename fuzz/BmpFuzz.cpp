// The BMP decoder over arbitrary bytes; whatever it decodes must encode and
// decode again to the same palette and pixel rows.

#include "fuzz/ImageFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX || kvxfuzz::TooLarge(data, size, CKVXImage::ImageTypeBmp)) return 0;
    CKVXImage image;
    if (!image.Decode(data, static_cast<DWORD>(size), CKVXImage::ImageTypeBmp)) return 0;
    CKVXImage again;
    kvxfuzz::RoundTrip(image, CKVXImage::ImageTypeBmp, again);
    if (again.GetSize() != image.GetSize() ||
        std::memcmp(again.GetBits(0), image.GetBits(0), image.GetEffWidth() * image.GetHeight()) != 0 ||
        (image.GetPalette() &&
         std::memcmp(again.GetPalette(), image.GetPalette(), image.GetPaletteSize()) != 0))
        __builtin_trap();
    return 0;
}
