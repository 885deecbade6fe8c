#pragma once
// Bilinear blending of four neighbouring pixels of a 24-bit image in 8-bit
// fixed point: the one arithmetic shared by the single-point sampler and the
// whole-image paths (resizing, rotating, smoothed drawing), so that they give
// the same pixels. The caller makes sure the 2 x 2 block lies inside the
// image.

#include <cstddef>
#include <cstdint>

#include "compat/WinTypes.h"

// The pixels of a 24-bit image with its optional alpha plane.
struct KVXBilinearPixels {
    const BYTE* bits;
    size_t stride;       // bytes per row
    const BYTE* alpha;   // null without an alpha plane
    long width;          // pixels per row of the alpha plane
};

// The fraction of v beyond its cell in 1/256ths (v - cell lies in 0 ... 1).
inline unsigned KVXBilinearFraction(float v, long cell) {
    return static_cast<unsigned>((v - static_cast<float>(cell)) * 256.0f);
}

// The colour between pixels (xi, yi) and (xi + 1, yi + 1) at the fractions
// fx, fy: the four weights add up to 256; alpha 0 without an alpha plane.
inline RGBQUAD KVXBilinearBlend(const KVXBilinearPixels& pixels, long xi, long yi, unsigned fx, unsigned fy) {
    const unsigned p = (fx * fy) >> 8;
    const unsigned w00 = 256 - fx - fy + p, w10 = fx - p, w01 = fy - p, w11 = p;
    const BYTE* low = pixels.bits + static_cast<size_t>(yi) * pixels.stride + 3 * static_cast<size_t>(xi);
    const BYTE* high = low + pixels.stride;
    auto mix = [&](int c) {
        return static_cast<BYTE>(
            static_cast<uint16_t>(w00 * low[c] + w10 * low[c + 3] + w01 * high[c] + w11 * high[c + 3]) >> 8);
    };
    RGBQUAD color{mix(0), mix(1), mix(2), 0};
    if (pixels.alpha) {
        const BYTE* a = pixels.alpha + xi + yi * pixels.width;
        color.rgbReserved = static_cast<BYTE>(
            static_cast<uint16_t>(w00 * a[0] + w10 * a[1] + w01 * a[pixels.width] + w11 * a[pixels.width + 1]) >> 8);
    }
    return color;
}
