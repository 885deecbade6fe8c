#pragma once
// The pixels an image shows in the paint rectangle of a device when it is
// drawn into a destination rectangle: the finished 24-bit colours of opaque
// drawing, the colours with their alpha for transparent drawing, or colours
// keyed on a transparent colour.
//
// Source positions: unscaled (the destination has the image's size) the
// pixel under each device pixel; scaled, with fx = width / cx and
// fy = height / cy in single precision, device column X reads column
// floor((X - x) * fx) and device row Y reads row
// floor(height - (Y + 1 - y) * fy) (rows counted from the image's bottom),
// both held to the image. Smoothed scaling interpolates bilinearly at those
// unrounded positions minus one half, with edges clamped.

#include <cstddef>
#include <optional>
#include <vector>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXDeviceContext.h"
#include "Pendrel/Image/KVXGridSampler.h"

class CKVXDrawSampler {
public:
    // A block of pixels that the sampler made; the view is empty (null bits)
    // when it could not be allocated. The bytes belong to the drawing
    // thread's scratch buffer, which the next block of that thread reuses,
    // so drawing does not allocate every time.
    struct Block {
        KVXPixelBlock view{};
        explicit operator bool() const { return view.bits != nullptr; }
    };

    // The image is drawn to x, y with the size cx x cy (both above 0); the
    // paint rectangle lies within that destination, in device coordinates.
    CKVXDrawSampler(CKVXImage& image, long x, long y, long cx, long cy, const RECT& paint, bool smooth);

    // Every pixel opaque, as 24-bit colours.
    Block Opaque();
    // 32-bit: each pixel's alpha from the alpha plane, alphaMax and palette
    // alpha; 0 where the pixel has the transparent index or colour.
    Block Transparent();
    // 32-bit: alpha 0 where the pixel's red, green and blue are the key's,
    // 255 elsewhere.
    Block ColorKeyed(RGBQUAD key);

private:
    Block MakeBlock(WORD bitCount) const;
    // The smoothed colours of row r of the paint rectangle (row 0 its
    // bottom): blue, green and red, 3 bytes a column.
    const BYTE* SmoothRow(long r);
    void MapPositions(long x, long y, long cx, long cy);

    CKVXImage& m_image;
    RECT m_paint;
    long m_width;   // of the paint rectangle
    long m_height;
    bool m_scaled;
    bool m_interpolate;
    bool m_valid;
    std::vector<long> m_sourceX;   // per paint column
    std::vector<long> m_sourceY;   // per paint row, from its bottom
    std::vector<float> m_sampleX;  // unrounded positions for interpolation
    std::vector<float> m_sampleY;
    std::optional<CKVXGridSampler> m_smooth;
    std::vector<BYTE> m_smoothRow;
};
