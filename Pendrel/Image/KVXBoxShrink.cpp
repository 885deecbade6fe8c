#include "Pendrel/Image/KVXBoxShrink.h"

#include <algorithm>
#include <utility>

#include "Pendrel/Image/KVXImageRounding.h"

CKVXBoxShrink::CKVXBoxShrink(CKVXImage& source, CKVXImage& work, float scaleX, float scaleY)
    : m_source(source), m_work(work), m_scaleX(scaleX), m_scaleY(scaleY),
      m_newWidth(static_cast<long>(work.GetWidth())), m_newHeight(static_cast<long>(work.GetHeight())),
      m_current(3 * static_cast<size_t>(m_newWidth) + 3, 0), m_carry(m_current.size(), 0),
      m_scale(std::max(1L, KVXTruncate(1000.0f * scaleX * scaleY))) {}

void CKVXBoxShrink::Run() {
    const long width = m_source.GetWidth();
    const long height = m_source.GetHeight();
    float endY = m_scaleY - 1.0f;
    long outRow = 0;
    m_out = m_work.GetBits(0);
    for (long y = 0; y < height; ++y) {
        if (m_source.GetEscape()) return;
        m_source.SetProgress(100 * y / height);
        const BYTE* row = m_source.GetBits(static_cast<DWORD>(y));
        if (static_cast<float>(y) < endY) {
            AddRow(row, width);
            continue;
        }
        const int64_t wy = KVXTruncate((static_cast<float>(y) - endY) * 1000.0f);
        const long done = AddSplitRow(row, width, wy);
        // The row's last pixel, when the rounding of the scale left it
        // unfinished.
        if (done < m_newWidth) PutPixel(&m_current[3 * static_cast<size_t>(done)]);
        std::swap(m_current, m_carry);
        std::fill_n(m_carry.begin(), 3, 0);
        ++outRow;
        // Rows past the last output row (again a rounding) are dropped.
        m_out = outRow < m_newHeight ? m_work.GetBits(static_cast<DWORD>(outRow)) : nullptr;
        endY += m_scaleY;
    }
    if (outRow < m_newHeight)
        for (long u = 0; u < m_newWidth; ++u) PutPixel(&m_current[3 * static_cast<size_t>(u)]);
}

void CKVXBoxShrink::PutPixel(const int64_t* sums) {
    if (!m_out) return;
    for (int channel = 0; channel < 3; ++channel) *m_out++ = KVXClampIntToByte(sums[channel] / m_scale);
}

// True when source column x straddles the end of the current output
// column; once all output columns of the row are done (a rounding of the
// scale can leave source pixels beyond them), the rest go into the spare
// cell.
bool CKVXBoxShrink::Straddles(long x, float endX, long done) const {
    return static_cast<float>(x) >= endX && done < m_newWidth;
}

// A source row wholly inside the current output row.
void CKVXBoxShrink::AddRow(const BYTE* row, long width) {
    size_t i = 0;
    long done = 0;
    float endX = m_scaleX - 1.0f;
    for (long x = 0; x < width; ++x, row += 3) {
        if (!Straddles(x, endX, done)) {
            for (int j = 0; j < 3; ++j) m_current[i + j] += 1000 * row[j];
            continue;
        }
        const int64_t wx = KVXTruncate((static_cast<float>(x) - endX) * 1000.0f);
        for (int j = 0; j < 3; ++j, ++i) {
            m_current[i] += (1000 - wx) * row[j];
            m_current[i + 3] += wx * row[j];
        }
        endX += m_scaleX;
        ++done;
    }
}

// A source row split between the current and the next output row; the
// current row's pixels are written as they complete. Returns how many
// were.
long CKVXBoxShrink::AddSplitRow(const BYTE* row, long width, int64_t wy) {
    size_t i = 0;
    long done = 0;
    float endX = m_scaleX - 1.0f;
    for (long x = 0; x < width; ++x, row += 3) {
        if (!Straddles(x, endX, done)) {
            for (int j = 0; j < 3; ++j) {
                m_current[i + j] += (1000 - wy) * row[j];
                m_carry[i + j] += wy * row[j];
            }
            continue;
        }
        const int64_t wx = KVXTruncate((static_cast<float>(x) - endX) * 1000.0f);
        for (int j = 0; j < 3; ++j, ++i) {
            const int64_t value = row[j];
            m_current[i] += (1000 - wy) * (1000 - wx) * value / 1000;
            if (m_out) *m_out++ = KVXClampIntToByte(m_current[i] / m_scale);
            m_carry[i] += wy * (1000 - wx) * value / 1000;
            m_current[i + 3] += (1000 - wy) * wx * value / 1000;
            // Set, not added: this starts the next pixel's carry.
            m_carry[i + 3] = wy * wx * value / 1000;
        }
        endX += m_scaleX;
        ++done;
    }
    return done;
}
