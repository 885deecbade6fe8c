// Packed bitmaps from arbitrary bytes: CreateFromHANDLE must read only within
// the block. Whatever it accepts must come back unchanged through a bitmap of
// its own and must draw, scaled and smoothed, on a small memory device.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Pendrel/Image/KVXGdiBitmap.h"
#include "Pendrel/Image/KVXGlobalMemory.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXMemoryDeviceContext.h"

namespace {

// Pictures of many megapixels only cost time here; the memory limit itself
// is covered by the unit tests.
bool IsSmallPicture(const uint8_t* data, size_t size) {
    if (size < 12) return true;
    int64_t width, height;
    if (KVXGetLE32(data) == 12) {
        width = KVXGetLE16(data + 4);
        height = KVXGetLE16(data + 6);
    } else {
        width = static_cast<int32_t>(KVXGetLE32(data + 4));
        height = static_cast<int32_t>(KVXGetLE32(data + 8));
    }
    return std::llabs(width) * std::llabs(height) <= (1 << 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!IsSmallPicture(data, size)) return 0;
    HANDLE block = KVXGlobalAlloc(size);
    if (!block) return 0;
    if (size) std::memcpy(KVXGlobalLock(block), data, size);
    CKVXImage image;
    const bool read = image.CreateFromHANDLE(block);
    KVXGlobalFree(block);
    if (!read) return 0;

    HBITMAP bitmap = image.MakeBitmap();
    if (!bitmap) __builtin_trap();
    CKVXImage again;
    if (!again.CreateFromHBITMAP(bitmap) || again.GetSize() != image.GetSize() ||
        std::memcmp(again.GetBits(0), image.GetBits(0), image.GetEffWidth() * image.GetHeight()) != 0)
        __builtin_trap();
    delete bitmap;

    CKVXMemoryDeviceContext dc(16, 16);
    image.Draw(&dc, -3, -2, 21, 7, nullptr, true);
    image.SetTransIndex(0);
    image.Draw2(&dc, 1, 1, 9, 5);
    return 0;
}
