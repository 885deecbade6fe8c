#pragma once
// Shared by the image codec fuzz targets: a size probe that keeps many-
// megapixel pictures out of the run (they only cost time; the memory limit
// itself is covered by the unit tests), and re-encoding checks.

#include <cstdint>
#include <cstring>

#include "Pendrel/Image/KVXImage.h"

namespace kvxfuzz {

constexpr uint64_t kMaxPixels = 1u << 22;

// True when the codec's dimensions-only mode reports a picture too large
// for a quick run.
inline bool TooLarge(const uint8_t* data, size_t size, DWORD type) {
    CKVXImage probe;
    probe.SetEscape(-1);
    probe.Decode(data, static_cast<DWORD>(size), type);
    return static_cast<uint64_t>(probe.GetWidth()) * probe.GetHeight() > kMaxPixels;
}

// Encodes the image with the type and decodes the result again: both must
// succeed. Returns the decoded copy through `again`.
inline void RoundTrip(CKVXImage& image, DWORD type, CKVXImage& again) {
    BYTE* buffer = nullptr;
    long length = 0;
    if (!image.Encode(buffer, length, type)) __builtin_trap();
    const bool decoded = again.Decode(buffer, static_cast<DWORD>(length), type);
    CKVXImage::FreeMemory(buffer);
    if (!decoded) __builtin_trap();
}

} // namespace kvxfuzz
