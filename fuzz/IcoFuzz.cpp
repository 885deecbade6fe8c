// The ICO decoder over arbitrary bytes, for the first and a chosen frame;
// whatever it decodes must encode and decode again.

#include <initializer_list>

#include "fuzz/ImageFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    for (long frame : {0L, size > 0 ? static_cast<long>(data[size - 1] % 4) : 1L}) {
        CKVXImage image;
        image.SetFrame(frame);
        if (!image.Decode(data, static_cast<DWORD>(size), CKVXImage::ImageTypeIco)) continue;
        CKVXImage again;
        kvxfuzz::RoundTrip(image, CKVXImage::ImageTypeIco, again);
        if (again.GetWidth() != image.GetWidth() || again.GetHeight() != image.GetHeight()) __builtin_trap();
    }
    return 0;
}
