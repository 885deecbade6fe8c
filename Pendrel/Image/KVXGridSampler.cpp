#include "Pendrel/Image/KVXGridSampler.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Pendrel/Image/KVXImageRounding.h"

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
    if (!m_window.kernel) return;
    const size_t taps = static_cast<size_t>(m_window.Size());
    m_slotRow.assign(taps, -1);
    m_slots.resize(taps * 4 * m_columns.size());
    m_sourceRow.resize(4 * static_cast<size_t>(width));
    m_sum.resize(4 * m_columns.size());
}

void CKVXGridSampler::Place(const std::vector<float>& positions, long size, Axis& axis) const {
    const long taps = m_window.Size();
    axis.cells.resize(positions.size());
    axis.inside.resize(positions.size());
    if (m_window.kernel)
        axis.weights.resize(positions.size() * static_cast<size_t>(taps));
    else
        axis.fractions.resize(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        const float v = positions[i];
        const long cell = KVXCell(v);
        axis.cells[i] = cell;
        axis.inside[i] = cell - m_window.before >= 0 && cell + m_window.after < size;
        if (!m_window.kernel) {
            if (axis.inside[i]) axis.fractions[i] = KVXBilinearFraction(v, cell);
            continue;
        }
        float* weights = axis.weights.data() + i * static_cast<size_t>(taps);
        for (long k = 0; k < taps; ++k) weights[k] = m_window.kernel(static_cast<float>(cell - m_window.before + k) - v);
    }
}

RGBQUAD CKVXGridSampler::Single(long c, long r) {
    RGBQUAD replacement = m_replacement;
    return m_image.GetPixelColorInterpolated(m_columns[static_cast<size_t>(c)], m_rows[static_cast<size_t>(r)],
                                             m_method, m_overflow, m_hasReplacement ? &replacement : nullptr);
}

void CKVXGridSampler::Row(long r, RGBQUAD* out) {
    const long count = static_cast<long>(m_columns.size());
    if (!m_direct || !m_y.inside[static_cast<size_t>(r)]) {
        for (long c = 0; c < count; ++c) out[c] = Single(c, r);
        return;
    }
    if (m_window.kernel) {
        KernelRow(r, out);
        return;
    }
    const long yi = m_y.cells[static_cast<size_t>(r)];
    const unsigned fy = m_y.fractions[static_cast<size_t>(r)];
    for (long c = 0; c < count; ++c) {
        out[c] = m_x.inside[static_cast<size_t>(c)]
                     ? KVXBilinearBlend(m_pixels, m_x.cells[static_cast<size_t>(c)], yi, m_x.fractions[static_cast<size_t>(c)], fy)
                     : Single(c, r);
    }
}

void CKVXGridSampler::KernelRow(long r, RGBQUAD* out) {
    const long taps = m_window.Size();
    const size_t values = m_sum.size();
    const long first = m_y.cells[static_cast<size_t>(r)] - m_window.before;
    const float* weights = m_y.weights.data() + static_cast<size_t>(r) * static_cast<size_t>(taps);
    float* sum = m_sum.data();
    std::fill(m_sum.begin(), m_sum.end(), 0.0f);
    for (long l = 0; l < taps; ++l) {
        const float* filtered = FilteredRow(first + l);
        const float w = weights[l];
        for (size_t i = 0; i < values; ++i) sum[i] += w * filtered[i];
    }
    const bool alpha = m_pixels.alpha != nullptr;
    const long count = static_cast<long>(m_columns.size());
    for (long c = 0; c < count; ++c) {
        if (!m_x.inside[static_cast<size_t>(c)]) {
            out[c] = Single(c, r);
            continue;
        }
        const float* v = sum + 4 * c;
        out[c] = RGBQUAD{KVXClampToByte(v[0]), KVXClampToByte(v[1]), KVXClampToByte(v[2]),
                         static_cast<BYTE>(alpha ? KVXClampToByte(v[3]) : 0)};
    }
}

const float* CKVXGridSampler::FilteredRow(long y) {
    const size_t taps = m_slotRow.size();
    const size_t slot = static_cast<size_t>(y) % taps;
    float* out = m_slots.data() + slot * 4 * m_columns.size();
    if (m_slotRow[slot] == y) return out;
    // The source row as 4 floats per pixel, alpha 0 without a plane.
    const long width = m_pixels.width;
    const BYTE* bytes = m_pixels.bits + static_cast<size_t>(y) * m_pixels.stride;
    const BYTE* alpha = m_pixels.alpha ? m_pixels.alpha + static_cast<size_t>(y) * static_cast<size_t>(width) : nullptr;
    float* source = m_sourceRow.data();
    for (long x = 0; x < width; ++x) {
        source[4 * x] = bytes[3 * x];
        source[4 * x + 1] = bytes[3 * x + 1];
        source[4 * x + 2] = bytes[3 * x + 2];
        source[4 * x + 3] = alpha ? alpha[x] : 0.0f;
    }
    switch (taps) {
    case 4: FilterColumns<4>(source, out); break;
    case 12: FilterColumns<12>(source, out); break;
    default: break;
    }
    m_slotRow[slot] = y;
    return out;
}

template <int Taps> void CKVXGridSampler::FilterColumns(const float* source, float* out) const {
    const size_t count = m_columns.size();
    for (size_t c = 0; c < count; ++c, out += 4) {
        float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        if (m_x.inside[c]) {
            const float* weights = m_x.weights.data() + c * Taps;
            const float* pixel = source + 4 * (m_x.cells[c] - m_window.before);
            for (int k = 0; k < Taps; ++k)
                for (int channel = 0; channel < 4; ++channel) sum[channel] += weights[k] * pixel[4 * k + channel];
        }
        std::memcpy(out, sum, sizeof sum);
    }
}
