// The GIF decoder over arbitrary bytes: the first, a middle and the last
// frame a file declares, directly and through the type dispatch. A decoded
// picture must write back with the scheme the last input byte picks and read
// again to the same pixels.

#include <cstdint>
#include <initializer_list>

#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXImageGIF.h"
#include "Pendrel/Image/KVXImageMemFile.h"

namespace {

bool DecodeFrame(CKVXImageGIF& image, const uint8_t* data, size_t size, long frame) {
    CKVXImageMemFile stream(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    image.SetFrame(frame);
    return image.Decode(&stream);
}

bool SameColor(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// Writes the picture as a GIF file and reads it back: palette pictures keep
// their palette and indices, true-colour pictures their colours (when their
// tiles are read as a true-colour file again, or when they fit in one tile).
void CheckRoundTrip(CKVXImage& picture, DWORD scheme) {
    const long width = static_cast<long>(picture.GetWidth());
    const long height = static_cast<long>(picture.GetHeight());
    const bool indexed = picture.GetBpp() <= 8;
    if (!indexed && !((width > 17 && height > 15) || (width <= 17 && height <= 15))) return;

    picture.SetCodecOption(scheme, CKVXImage::ImageTypeGif);
    BYTE* buffer = nullptr;
    long length = 0;
    if (!picture.Encode(buffer, length, CKVXImage::ImageTypeGif)) __builtin_trap();
    CKVXImage again(buffer, static_cast<DWORD>(length), CKVXImage::ImageTypeGif);
    CKVXImage::FreeMemory(buffer);
    if (!again.IsValid() || static_cast<long>(again.GetWidth()) != width ||
        static_cast<long>(again.GetHeight()) != height)
        __builtin_trap();
    if (indexed) {
        if (again.GetBpp() != picture.GetBpp()) __builtin_trap();
        for (DWORD i = 0; i < picture.GetNumColors(); ++i)
            if (!SameColor(again.GetPaletteColor(static_cast<BYTE>(i)), picture.GetPaletteColor(static_cast<BYTE>(i))))
                __builtin_trap();
    }
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            if (indexed ? again.GetPixelIndex(x, y) != picture.GetPixelIndex(x, y)
                        : !SameColor(again.GetPixelColor(x, y, false), picture.GetPixelColor(x, y, false)))
                __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    // Large screens only cost time here; the memory limit itself is covered
    // by the unit tests.
    if (size >= 10 && static_cast<uint64_t>(KVXGetLE16(data + 6)) * KVXGetLE16(data + 8) > (1u << 18)) return 0;

    CKVXImageGIF first;
    const bool decoded = DecodeFrame(first, data, size, 0);
    const long frames = first.GetNumFrames();
    for (const long frame : {frames / 2, frames - 1}) {
        if (frame <= 0) continue;
        CKVXImageGIF other;
        DecodeFrame(other, data, size, frame);
    }
    CKVXImage dispatched(data, static_cast<DWORD>(size), CKVXImage::ImageTypeGif);

    if (decoded && first.IsValid()) CheckRoundTrip(first, size > 0 ? data[size - 1] % 3 : 0);
    return 0;
}
