// The image library's "RAW" reader and the decoding dispatcher's
// auto-detection over arbitrary bytes. Whatever the raw reader accepts must
// write back and read again to the same image block and alpha plane.

#include <cstdint>
#include <cstring>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageEndian.h"

namespace {

class Probe : public CKVXImage {
public:
    using CKVXImage::CKVXImage;
    const BYTE* Block() const { return static_cast<const BYTE*>(dib); }
    const BYTE* Plane() const { return alpha; }
};

void CheckRawRoundTrip(const uint8_t* data, size_t size) {
    Probe image;
    if (!image.Decode(data, static_cast<DWORD>(size), CKVXImage::ImageTypeRaw)) return;
    BYTE* buffer = nullptr;
    long length = 0;
    if (!image.Encode(buffer, length, CKVXImage::ImageTypeRaw)) __builtin_trap();
    Probe again(buffer, static_cast<DWORD>(length), CKVXImage::ImageTypeRaw);
    CKVXImage::FreeMemory(buffer);
    if (!again.IsValid() || again.GetSize() != image.GetSize() ||
        std::memcmp(again.Block(), image.Block(), static_cast<size_t>(image.GetSize())) != 0)
        __builtin_trap();
    if (again.AlphaIsValid() != image.AlphaIsValid()) __builtin_trap();
    if (image.AlphaIsValid() &&
        std::memcmp(again.Plane(), image.Plane(), static_cast<size_t>(image.GetWidth()) * image.GetHeight()) != 0)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    // Pictures of many megapixels only cost time here; the memory limit
    // itself is covered by the unit tests.
    if (size >= 7 && std::memcmp(data, "RAW", 3) == 0) {
        const DWORD sizeWord = KVXGetLE32(data + 3);
        if (static_cast<uint64_t>(sizeWord & 0xFFFF) * (sizeWord >> 16) > (1u << 16)) return 0;
    }
    CheckRawRoundTrip(data, size);

    CKVXImage detected(data, static_cast<DWORD>(size), CKVXImage::ImageTypeUnknown);
    if (detected.IsValid()) {
        BYTE* rgba = nullptr;
        long length = 0;
        if (detected.Encode2RGBA(rgba, length)) CKVXImage::FreeMemory(rgba);
    }
    return 0;
}
