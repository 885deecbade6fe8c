#include "Pendrel/Image/KVXGridSampler.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Pendrel/Image/KVXImageRounding.h"
#include "Pendrel/Image/KVXVectorClones.h"

namespace {

// The bilinear blend of KVXBilinearBlend for a run of columns of one row,
// each pixel's bytes read as 4-byte words (the caller leaves a pixel to
// spare on the right).
KVX_VECTOR_CLONES void BlendColumns(const BYTE* __restrict low, const BYTE* __restrict high,
                                    const int32_t* __restrict offsets, const uint32_t* __restrict fractions,
                                    uint32_t fy, BYTE* __restrict bgr, size_t count) {
    for (size_t c = 0; c < count; ++c) {
        const uint32_t fx = fractions[c];
        const uint32_t p = (fx * fy) >> 8;
        const uint32_t w00 = 256 - fx - fy + p, w10 = fx - p, w01 = fy - p, w11 = p;
        uint32_t l0, l1, h0, h1;
        std::memcpy(&l0, low + offsets[c], 4);
        std::memcpy(&l1, low + offsets[c] + 3, 4);
        std::memcpy(&h0, high + offsets[c], 4);
        std::memcpy(&h1, high + offsets[c] + 3, 4);
        for (int channel = 0; channel < 3; ++channel) {
            const int shift = 8 * channel;
            const uint32_t sum = w00 * ((l0 >> shift) & 255) + w10 * ((l1 >> shift) & 255) +
                                 w01 * ((h0 >> shift) & 255) + w11 * ((h1 >> shift) & 255);
            bgr[3 * c + channel] = static_cast<BYTE>(static_cast<uint16_t>(sum) >> 8);
        }
    }
}

// BlendColumns giving each colour as blue | green << 8 | red << 16.
KVX_VECTOR_CLONES void BlendColumnQuads(const BYTE* __restrict low, const BYTE* __restrict high,
                                        const int32_t* __restrict offsets, const uint32_t* __restrict fractions,
                                        uint32_t fy, uint32_t* __restrict quads, size_t count) {
    for (size_t c = 0; c < count; ++c) {
        const uint32_t fx = fractions[c];
        const uint32_t p = (fx * fy) >> 8;
        const uint32_t w00 = 256 - fx - fy + p, w10 = fx - p, w01 = fy - p, w11 = p;
        uint32_t l0, l1, h0, h1;
        std::memcpy(&l0, low + offsets[c], 4);
        std::memcpy(&l1, low + offsets[c] + 3, 4);
        std::memcpy(&h0, high + offsets[c], 4);
        std::memcpy(&h1, high + offsets[c] + 3, 4);
        uint32_t quad = 0;
        for (int channel = 0; channel < 3; ++channel) {
            const int shift = 8 * channel;
            const uint32_t sum = w00 * ((l0 >> shift) & 255) + w10 * ((l1 >> shift) & 255) +
                                 w01 * ((h0 >> shift) & 255) + w11 * ((h1 >> shift) & 255);
            quad |= static_cast<uint32_t>(static_cast<uint16_t>(sum) >> 8) << shift;
        }
        quads[c] = quad;
    }
}

// The same blend for the alpha plane; cells are pixel indexes here.
KVX_VECTOR_CLONES void BlendAlphaColumns(const BYTE* __restrict low, const BYTE* __restrict high,
                                         const long* __restrict cells, const uint32_t* __restrict fractions,
                                         uint32_t fy, BYTE* __restrict alpha, size_t count) {
    for (size_t c = 0; c < count; ++c) {
        const uint32_t fx = fractions[c];
        const uint32_t p = (fx * fy) >> 8;
        const uint32_t w00 = 256 - fx - fy + p, w10 = fx - p, w01 = fy - p, w11 = p;
        const long x = cells[c];
        const uint32_t sum = w00 * low[x] + w10 * low[x + 1] + w01 * high[x] + w11 * high[x + 1];
        alpha[c] = static_cast<BYTE>(static_cast<uint16_t>(sum) >> 8);
    }
}

// A row of 24-bit pixels with its alpha (0 without a plane) as 4 floats a pixel.
KVX_VECTOR_CLONES void WidenRow(const BYTE* __restrict bytes, const BYTE* __restrict alpha, float* __restrict out,
                                size_t width) {
    for (size_t x = 0; x < width; ++x) {
        out[4 * x] = bytes[3 * x];
        out[4 * x + 1] = bytes[3 * x + 1];
        out[4 * x + 2] = bytes[3 * x + 2];
        out[4 * x + 3] = alpha ? alpha[x] : 0.0f;
    }
}

// sum += weight * row, element by element.
KVX_VECTOR_CLONES void AddWeighted(float* __restrict sum, const float* __restrict row, float weight, size_t count) {
    for (size_t i = 0; i < count; ++i) sum[i] += weight * row[i];
}

// The kernel sums of a run of columns truncated into bytes, as
// KVXClampToByte does: 0 below 1 and for not a number, 255 from 255 up.
KVX_VECTOR_CLONES void SumsToBytes(const float* __restrict sums, BYTE* __restrict bgr, BYTE* __restrict alpha,
                                   bool withAlpha, size_t count) {
    auto byte = [](float v) {
        v = v > 0.0f ? v : 0.0f;
        v = v < 255.0f ? v : 255.0f;
        return static_cast<BYTE>(static_cast<int>(v));
    };
    for (size_t c = 0; c < count; ++c) {
        bgr[3 * c] = byte(sums[4 * c]);
        bgr[3 * c + 1] = byte(sums[4 * c + 1]);
        bgr[3 * c + 2] = byte(sums[4 * c + 2]);
    }
    if (alpha)
        for (size_t c = 0; c < count; ++c) alpha[c] = withAlpha ? byte(sums[4 * c + 3]) : 0;
}

// One source row filtered along x at the given columns: Taps weights each,
// the window starting at pixel first[c].
template <int Taps>
KVX_VECTOR_CLONES_TEMPLATE void FilterColumns(const float* __restrict source, const long* __restrict first,
                                              const char* __restrict inside, const float* __restrict weights,
                                              float* __restrict out, size_t count) {
    for (size_t c = 0; c < count; ++c, out += 4, weights += Taps) {
        float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        if (inside[c]) {
            const float* pixel = source + 4 * first[c];
            for (int k = 0; k < Taps; ++k)
                for (int channel = 0; channel < 4; ++channel) sum[channel] += weights[k] * pixel[4 * k + channel];
        }
        std::memcpy(out, sum, sizeof sum);
    }
}

} // namespace

CKVXGridSampler::CKVXGridSampler(CKVXImage& image, std::vector<float> columns, std::vector<float> rows,
                                 CKVXImage::InterpolationMethod method, CKVXImage::OverflowMethod overflow,
                                 const RGBQUAD* replacement)
    : m_image(image),
      m_method(method),
      m_overflow(overflow),
      m_replacement(replacement ? *replacement : RGBQUAD{}),
      m_hasReplacement(replacement != nullptr),
      m_columns(std::move(columns)),
      m_rows(std::move(rows)),
      m_window(KVXKernelWindowOf(method)),
      m_direct(image.IsValid() && !image.IsIndexed() && image.GetBpp() == 24 &&
               method != CKVXImage::InterpolationNearest),
      m_pixels{} {
    if (!m_direct) return;
    const long width = image.GetWidth();
    m_pixels = KVXBilinearPixels{image.GetBits(0), image.GetEffWidth(), image.AlphaGetPointer(0, 0), width};
    Place(m_columns, width, m_x);
    Place(m_rows, image.GetHeight(), m_y);
    if (!m_window.kernel) {
        // The widest run of columns that may be read 4 bytes at a time.
        auto wide = [&](size_t c) { return m_x.inside[c] && m_x.cells[c] + 2 < width; };
        const long count = static_cast<long>(m_columns.size());
        long begin = 0;
        while (begin < count && !wide(static_cast<size_t>(begin))) ++begin;
        long end = begin;
        while (end < count && wide(static_cast<size_t>(end))) ++end;
        m_wideBegin = begin;
        m_wideEnd = end;
        return;
    }
    const size_t taps = static_cast<size_t>(m_window.Size());
    m_slotRow.assign(taps, -1);
    m_slots.resize(taps * 4 * m_columns.size());
    m_sourceRow.resize(4 * static_cast<size_t>(width));
    m_sum.resize(4 * m_columns.size());
    // From here on the column cells are where each window starts.
    for (long& cell : m_x.cells) cell -= m_window.before;
}

void CKVXGridSampler::Place(const std::vector<float>& positions, long size, Axis& axis) const {
    const long taps = m_window.Size();
    axis.cells.resize(positions.size());
    axis.inside.resize(positions.size());
    if (m_window.kernel) {
        axis.weights.resize(positions.size() * static_cast<size_t>(taps));
    } else {
        axis.fractions.resize(positions.size());
        axis.offsets.resize(positions.size());
    }
    for (size_t i = 0; i < positions.size(); ++i) {
        const float v = positions[i];
        const long cell = KVXCell(v);
        axis.cells[i] = cell;
        axis.inside[i] = cell - m_window.before >= 0 && cell + m_window.after < size;
        if (!m_window.kernel) {
            if (axis.inside[i]) {
                axis.fractions[i] = KVXBilinearFraction(v, cell);
                axis.offsets[i] = static_cast<int32_t>(3 * cell);
            }
            continue;
        }
        float* weights = axis.weights.data() + i * static_cast<size_t>(taps);
        for (long k = 0; k < taps; ++k) weights[k] = m_window.kernel(static_cast<float>(cell - m_window.before + k) - v);
    }
}

RGBQUAD CKVXGridSampler::SingleColor(long c, long r) {
    RGBQUAD replacement = m_replacement;
    return m_image.GetPixelColorInterpolated(m_columns[static_cast<size_t>(c)], m_rows[static_cast<size_t>(r)],
                                             m_method, m_overflow, m_hasReplacement ? &replacement : nullptr);
}

void CKVXGridSampler::Single(long c, long r, BYTE* bgr, BYTE* alpha) {
    const RGBQUAD color = SingleColor(c, r);
    bgr[3 * c] = color.rgbBlue;
    bgr[3 * c + 1] = color.rgbGreen;
    bgr[3 * c + 2] = color.rgbRed;
    if (alpha) alpha[c] = color.rgbReserved;
}

void CKVXGridSampler::Row(long r, BYTE* bgr, BYTE* alpha) {
    const long count = static_cast<long>(m_columns.size());
    if (!m_direct || !m_y.inside[static_cast<size_t>(r)]) {
        for (long c = 0; c < count; ++c) Single(c, r, bgr, alpha);
        return;
    }
    if (m_window.kernel)
        KernelRow(r, bgr, alpha);
    else
        BilinearRow(r, bgr, alpha);
}

void CKVXGridSampler::RowQuads(long r, uint32_t* quads) {
    const long count = static_cast<long>(m_columns.size());
    auto quad = [](const RGBQUAD& color) {
        return static_cast<uint32_t>(color.rgbBlue) | static_cast<uint32_t>(color.rgbGreen) << 8 |
               static_cast<uint32_t>(color.rgbRed) << 16;
    };
    if (!m_direct || m_window.kernel || !m_y.inside[static_cast<size_t>(r)]) {
        m_bytes.resize(3 * static_cast<size_t>(count));
        Row(r, m_bytes.data(), nullptr);
        for (long c = 0; c < count; ++c) {
            const BYTE* color = m_bytes.data() + 3 * c;
            quads[c] = quad(RGBQUAD{color[0], color[1], color[2], 0});
        }
        return;
    }
    const long yi = m_y.cells[static_cast<size_t>(r)];
    const uint32_t fy = m_y.fractions[static_cast<size_t>(r)];
    auto one = [&](long c) {
        const auto i = static_cast<size_t>(c);
        quads[c] = quad(m_x.inside[i] ? KVXBilinearBlend(m_pixels, m_x.cells[i], yi, m_x.fractions[i], fy)
                                      : SingleColor(c, r));
    };
    for (long c = 0; c < m_wideBegin; ++c) one(c);
    for (long c = std::max(m_wideEnd, m_wideBegin); c < count; ++c) one(c);
    if (m_wideEnd <= m_wideBegin) return;
    const auto begin = static_cast<size_t>(m_wideBegin);
    const BYTE* low = m_pixels.bits + static_cast<size_t>(yi) * m_pixels.stride;
    BlendColumnQuads(low, low + m_pixels.stride, m_x.offsets.data() + begin, m_x.fractions.data() + begin, fy,
                     quads + begin, static_cast<size_t>(m_wideEnd - m_wideBegin));
}

void CKVXGridSampler::BilinearRow(long r, BYTE* bgr, BYTE* alpha) {
    const long yi = m_y.cells[static_cast<size_t>(r)];
    const uint32_t fy = m_y.fractions[static_cast<size_t>(r)];
    const long count = static_cast<long>(m_columns.size());
    // Columns outside the wide run one by one.
    auto one = [&](long c) {
        const auto i = static_cast<size_t>(c);
        if (!m_x.inside[i]) {
            Single(c, r, bgr, alpha);
            return;
        }
        const RGBQUAD color = KVXBilinearBlend(m_pixels, m_x.cells[i], yi, m_x.fractions[i], fy);
        bgr[3 * c] = color.rgbBlue;
        bgr[3 * c + 1] = color.rgbGreen;
        bgr[3 * c + 2] = color.rgbRed;
        if (alpha) alpha[c] = color.rgbReserved;
    };
    for (long c = 0; c < m_wideBegin; ++c) one(c);
    for (long c = std::max(m_wideEnd, m_wideBegin); c < count; ++c) one(c);
    if (m_wideEnd <= m_wideBegin) return;
    const auto begin = static_cast<size_t>(m_wideBegin);
    const size_t run = static_cast<size_t>(m_wideEnd - m_wideBegin);
    const BYTE* low = m_pixels.bits + static_cast<size_t>(yi) * m_pixels.stride;
    BlendColumns(low, low + m_pixels.stride, m_x.offsets.data() + begin, m_x.fractions.data() + begin, fy,
                 bgr + 3 * begin, run);
    if (!alpha) return;
    if (!m_pixels.alpha) {
        std::memset(alpha + begin, 0, run);
        return;
    }
    const BYTE* alphaLow = m_pixels.alpha + static_cast<size_t>(yi) * static_cast<size_t>(m_pixels.width);
    BlendAlphaColumns(alphaLow, alphaLow + m_pixels.width, m_x.cells.data() + begin, m_x.fractions.data() + begin, fy,
                      alpha + begin, run);
}

void CKVXGridSampler::KernelRow(long r, BYTE* bgr, BYTE* alpha) {
    const long taps = m_window.Size();
    const long first = m_y.cells[static_cast<size_t>(r)] - m_window.before;
    const float* weights = m_y.weights.data() + static_cast<size_t>(r) * static_cast<size_t>(taps);
    std::fill(m_sum.begin(), m_sum.end(), 0.0f);
    for (long l = 0; l < taps; ++l) AddWeighted(m_sum.data(), FilteredRow(first + l), weights[l], m_sum.size());
    const long count = static_cast<long>(m_columns.size());
    SumsToBytes(m_sum.data(), bgr, alpha, m_pixels.alpha != nullptr, static_cast<size_t>(count));
    for (long c = 0; c < count; ++c)
        if (!m_x.inside[static_cast<size_t>(c)]) Single(c, r, bgr, alpha);
}

const float* CKVXGridSampler::FilteredRow(long y) {
    const size_t taps = m_slotRow.size();
    const size_t slot = static_cast<size_t>(y) % taps;
    float* out = m_slots.data() + slot * 4 * m_columns.size();
    if (m_slotRow[slot] == y) return out;
    const size_t width = static_cast<size_t>(m_pixels.width);
    WidenRow(m_pixels.bits + static_cast<size_t>(y) * m_pixels.stride,
             m_pixels.alpha ? m_pixels.alpha + static_cast<size_t>(y) * width : nullptr, m_sourceRow.data(), width);
    const size_t count = m_columns.size();
    // Every kernel window is 4 or 12 pixels wide.
    if (taps == 4)
        FilterColumns<4>(m_sourceRow.data(), m_x.cells.data(), m_x.inside.data(), m_x.weights.data(), out, count);
    else
        FilterColumns<12>(m_sourceRow.data(), m_x.cells.data(), m_x.inside.data(), m_x.weights.data(), out, count);
    m_slotRow[slot] = y;
    return out;
}
