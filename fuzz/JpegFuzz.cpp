// The JPEG decoder over arbitrary bytes, with options and scale taken from
// the input's size; whatever decodes as true colour or grey must encode and
// decode again.

#include "fuzz/ImageFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX || kvxfuzz::TooLarge(data, size, CKVXImage::ImageTypeJpg)) return 0;
    CKVXImage image;
    static const DWORD kOptions[] = {0, 0x80, 0x100, 0x100 | 0x400 | 0x200, 0x800};
    image.SetCodecOption(kOptions[size % 5], CKVXImage::ImageTypeJpg);
    image.SetJpegScale(static_cast<BYTE>(size % 3));
    image.SetJpegQuality(static_cast<BYTE>(8 + size % 200));
    if (!image.Decode(data, static_cast<DWORD>(size), CKVXImage::ImageTypeJpg)) return 0;
    if (image.GetBpp() == 24 || image.IsGrayScale()) {
        CKVXImage again;
        kvxfuzz::RoundTrip(image, CKVXImage::ImageTypeJpg, again);
        if (again.GetWidth() != image.GetWidth() || again.GetHeight() != image.GetHeight()) __builtin_trap();
    }
    return 0;
}
