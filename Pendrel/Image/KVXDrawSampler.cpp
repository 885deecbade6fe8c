#include "Pendrel/Image/KVXDrawSampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXVectorClones.h"

namespace {

// floor(v) held to 0 ... last; the float is limited before it becomes an
// integer.
long FloorInto(float v, long last) {
    if (!(v > 0.0f)) return 0;
    if (v >= static_cast<float>(last)) return last;
    return static_cast<long>(std::floor(v));
}

// 32-bit pixels from count 24-bit colours in a row and their alpha values
// (255 without them) scaled by alphaScale (alphaMax + 1): blue, green, red
// and the scaled alpha, or 0 where that alpha comes out 0.
KVX_VECTOR_CLONES void PackWithAlpha(const BYTE* __restrict colors, const BYTE* __restrict alpha, uint32_t alphaScale,
                                     uint32_t* __restrict out, size_t count) {
    for (size_t c = 0; c < count; ++c) {
        const uint32_t a = (alphaScale * (alpha ? alpha[c] : 255u)) >> 8;
        const uint32_t pixel = static_cast<uint32_t>(colors[3 * c]) | static_cast<uint32_t>(colors[3 * c + 1]) << 8 |
                               static_cast<uint32_t>(colors[3 * c + 2]) << 16 | a << 24;
        out[c] = a == 0 ? 0 : pixel;
    }
}

// Smoothed colours (blue | green << 8 | red << 16) given their alpha values
// (255 without them) scaled by alphaScale, in place: all 0 where that alpha
// comes out 0.
KVX_VECTOR_CLONES void AddAlpha(uint32_t* __restrict pixels, const BYTE* __restrict alpha, uint32_t alphaScale,
                                size_t count) {
    for (size_t c = 0; c < count; ++c) {
        const uint32_t a = (alphaScale * (alpha ? alpha[c] : 255u)) >> 8;
        pixels[c] = a == 0 ? 0 : pixels[c] | a << 24;
    }
}

// The pixels at columns[c] of a row of packed pixels.
KVX_VECTOR_CLONES void GatherPixels(const uint32_t* __restrict row, const int32_t* __restrict columns,
                                    uint32_t* __restrict out, size_t count) {
    for (size_t c = 0; c < count; ++c) out[c] = row[columns[c]];
}

} // namespace

CKVXDrawSampler::CKVXDrawSampler(CKVXImage& image, long x, long y, long cx, long cy, const RECT& paint, bool smooth)
    : m_image(image),
      m_paint(paint),
      m_width(std::max<long>(paint.right - paint.left, 0)),
      m_height(std::max<long>(paint.bottom - paint.top, 0)),
      m_scaled(cx != static_cast<long>(image.GetWidth()) || cy != static_cast<long>(image.GetHeight())),
      m_interpolate(smooth && m_scaled),
      m_valid(false) {
    try {
        MapPositions(x, y, cx, cy);
        m_valid = image.IsValid();
        if (m_valid && m_interpolate) {
            m_smooth.emplace(image, m_sampleX, m_sampleY, CKVXImage::InterpolationBilinear,
                             CKVXImage::OverflowClampToEdge);
            m_smoothRow.resize(3 * static_cast<size_t>(m_width));
        }
    } catch (const std::bad_alloc&) {
        m_valid = false;
    }
}

void CKVXDrawSampler::MapPositions(long x, long y, long cx, long cy) {
    const long imageWidth = m_image.GetWidth();
    const long imageHeight = m_image.GetHeight();
    const float fx = static_cast<float>(imageWidth) / static_cast<float>(cx);
    const float fy = static_cast<float>(imageHeight) / static_cast<float>(cy);
    m_sourceX.resize(static_cast<size_t>(m_width));
    m_sourceY.resize(static_cast<size_t>(m_height));
    if (m_interpolate) {
        m_sampleX.resize(static_cast<size_t>(m_width));
        m_sampleY.resize(static_cast<size_t>(m_height));
    }
    for (long c = 0; c < m_width; ++c) {
        const long offset = m_paint.left - x + c;
        if (!m_scaled) {
            m_sourceX[c] = std::clamp(offset, 0L, imageWidth - 1);
            continue;
        }
        const float position = static_cast<float>(offset) * fx;
        m_sourceX[c] = FloorInto(position, imageWidth - 1);
        if (m_interpolate) m_sampleX[c] = position - 0.5f;
    }
    for (long r = 0; r < m_height; ++r) {
        // Distance from the destination's top edge to the lower edge of the row.
        const long distance = m_paint.bottom - y - r;
        if (!m_scaled) {
            m_sourceY[r] = std::clamp(imageHeight - distance, 0L, imageHeight - 1);
            continue;
        }
        const float position = static_cast<float>(imageHeight) - static_cast<float>(distance) * fy;
        m_sourceY[r] = FloorInto(position, imageHeight - 1);
        if (m_interpolate) m_sampleY[r] = position - 0.5f;
    }
}

CKVXDrawSampler::Block CKVXDrawSampler::MakeBlock(WORD bitCount) const {
    Block block;
    if (!m_valid || m_width == 0 || m_height == 0) return block;
    const size_t stride = (static_cast<size_t>(m_width) * bitCount + 31) / 32 * 4;
    const size_t size = stride * static_cast<size_t>(m_height);
    if (size / stride != static_cast<size_t>(m_height) || size > KVXIMAGE_MAX_MEMORY) return block;
    // One scratch buffer per drawing thread, grown to the largest block yet.
    thread_local std::vector<BYTE> scratch;
    try {
        if (scratch.size() < size) scratch.resize(size);
    } catch (const std::bad_alloc&) {
        return block;
    }
    block.view = KVXPixelBlock{scratch.data(), static_cast<LONG>(m_width), static_cast<LONG>(m_height),
                               static_cast<LONG>(stride), bitCount};
    return block;
}

const BYTE* CKVXDrawSampler::SmoothRow(long r) {
    m_smooth->Row(r, m_smoothRow.data(), nullptr);
    return m_smoothRow.data();
}

CKVXDrawSampler::Block CKVXDrawSampler::Opaque() {
    Block block = MakeBlock(24);
    if (!block) return block;
    const bool indexed = m_image.IsIndexed();
    const BYTE* bits = m_image.GetBits(0);
    const size_t effWidth = m_image.GetEffWidth();
    for (long r = 0; r < m_height; ++r) {
        BYTE* out = block.view.bits + static_cast<size_t>(r) * static_cast<size_t>(block.view.stride);
        if (m_interpolate) {
            m_smooth->Row(r, out, nullptr);
        } else if (!indexed) {
            const BYTE* sourceRow = bits + static_cast<size_t>(m_sourceY[r]) * effWidth;
            for (long c = 0; c < m_width; ++c, out += 3) std::memcpy(out, sourceRow + 3 * m_sourceX[c], 3);
        } else {
            for (long c = 0; c < m_width; ++c, out += 3) {
                const RGBQUAD color = m_image.GetPixelColor(m_sourceX[c], m_sourceY[r], false);
                std::memcpy(out, &color, 3);
            }
        }
    }
    return block;
}

CKVXDrawSampler::Block CKVXDrawSampler::Transparent() {
    Block block = MakeBlock(32);
    if (!block) return block;
    const long imageWidth = m_image.GetWidth();
    const bool indexed = m_image.IsIndexed();
    const long transIndex = m_image.GetTransIndex();
    const RGBQUAD transColor = m_image.GetTransColor();
    const unsigned alphaMax = m_image.AlphaGetMax();
    const bool paletteAlpha = m_image.AlphaPaletteIsEnabled();
    const BYTE* plane = m_image.AlphaGetPointer(0, 0);
    const BYTE* bits = m_image.GetBits(0);
    const size_t effWidth = m_image.GetEffWidth();
    if (!indexed && transIndex == -1) {
        // Colours and alpha only: whole rows at a time. Nearest drawing
        // packs each source row once (rows repeat when enlarging) and picks
        // its columns; smoothed drawing packs its row of colours with the
        // alpha of the nearest columns.
        std::vector<int32_t> columns(m_sourceX.begin(), m_sourceX.end());
        std::vector<uint32_t> packed(m_interpolate ? 0 : static_cast<size_t>(imageWidth));
        std::vector<BYTE> alphaOfColumns(m_interpolate && plane ? columns.size() : 0);
        long packedRow = -1;
        for (long r = 0; r < m_height; ++r) {
            auto* out = reinterpret_cast<uint32_t*>(block.view.bits + static_cast<size_t>(r) *
                                                                         static_cast<size_t>(block.view.stride));
            const long sy = m_sourceY[r];
            const BYTE* alphaRow = plane ? plane + static_cast<size_t>(sy) * static_cast<size_t>(imageWidth) : nullptr;
            if (m_interpolate) {
                for (size_t c = 0; c < alphaOfColumns.size(); ++c) alphaOfColumns[c] = alphaRow[columns[c]];
                m_smooth->RowQuads(r, out);
                AddAlpha(out, plane ? alphaOfColumns.data() : nullptr, alphaMax + 1, columns.size());
                continue;
            }
            if (sy != packedRow) {
                PackWithAlpha(bits + static_cast<size_t>(sy) * effWidth, alphaRow, alphaMax + 1, packed.data(),
                              packed.size());
                packedRow = sy;
            }
            GatherPixels(packed.data(), columns.data(), out, columns.size());
        }
        return block;
    }
    for (long r = 0; r < m_height; ++r) {
        BYTE* out = block.view.bits + static_cast<size_t>(r) * static_cast<size_t>(block.view.stride);
        const long sy = m_sourceY[r];
        const BYTE* smooth = m_interpolate ? SmoothRow(r) : nullptr;
        for (long c = 0; c < m_width; ++c, out += 4) {
            const long sx = m_sourceX[c];
            unsigned a = plane ? plane[sx + sy * imageWidth] : 255;
            a = ((alphaMax + 1) * a) >> 8;
            RGBQUAD color;
            bool transparent;
            if (indexed) {
                const BYTE index = m_image.GetPixelIndex(sx, sy);
                const RGBQUAD entry = m_image.GetPaletteColor(index);
                color = smooth ? RGBQUAD{smooth[3 * c], smooth[3 * c + 1], smooth[3 * c + 2], 0} : entry;
                if (paletteAlpha) a = ((entry.rgbReserved + 1u) * a) >> 8;
                transparent = transIndex != -1 && index == transIndex;
            } else {
                if (smooth) {
                    color = RGBQUAD{smooth[3 * c], smooth[3 * c + 1], smooth[3 * c + 2], 0};
                } else {
                    const BYTE* pixel = bits + static_cast<size_t>(sy) * effWidth + 3 * sx;
                    color = RGBQUAD{pixel[0], pixel[1], pixel[2], 0};
                }
                color.rgbReserved = 0;
                transparent = transIndex != -1 && std::memcmp(&color, &transColor, sizeof color) == 0;
            }
            if (a == 0 || transparent) {
                std::memset(out, 0, 4);
                continue;
            }
            out[0] = color.rgbBlue;
            out[1] = color.rgbGreen;
            out[2] = color.rgbRed;
            out[3] = static_cast<BYTE>(a);
        }
    }
    return block;
}

CKVXDrawSampler::Block CKVXDrawSampler::ColorKeyed(RGBQUAD key) {
    Block block = MakeBlock(32);
    if (!block) return block;
    for (long r = 0; r < m_height; ++r) {
        BYTE* out = block.view.bits + static_cast<size_t>(r) * static_cast<size_t>(block.view.stride);
        for (long c = 0; c < m_width; ++c, out += 4) {
            const RGBQUAD color = m_image.GetPixelColor(m_sourceX[c], m_sourceY[r], false);
            const bool keyed =
                color.rgbBlue == key.rgbBlue && color.rgbGreen == key.rgbGreen && color.rgbRed == key.rgbRed;
            out[0] = color.rgbBlue;
            out[1] = color.rgbGreen;
            out[2] = color.rgbRed;
            out[3] = keyed ? 0 : 255;
        }
    }
    return block;
}
