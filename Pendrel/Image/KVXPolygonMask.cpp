#include "Pendrel/Image/KVXPolygonMask.h"

#include <algorithm>
#include <new>

namespace {

// The integer part (toward zero) of v, held to low ... high. The float is
// limited before it becomes an integer.
long TruncateInto(float v, long low, long high) {
    if (!(v > static_cast<float>(low) - 1.0f)) return low;
    if (v >= static_cast<float>(high) + 1.0f) return high;
    return std::clamp(static_cast<long>(v), low, high);
}

} // namespace

CKVXPolygonMask::CKVXPolygonMask(long width, long height)
    : m_width(width),
      m_height(height),
      m_framedWidth(width + 2),
      m_framedHeight(height + 2),
      m_fill{static_cast<LONG>(width), 0, 0, static_cast<LONG>(height)} {}

bool CKVXPolygonMask::Rasterise(const POINT* points, long count) {
    try {
        m_work.assign(static_cast<size_t>(m_framedWidth) * static_cast<size_t>(m_framedHeight), Empty);
        long first = 0;
        for (long i = 0; i < count; ++i) {
            if (points[i].x == -1) {
                first = i + 1;
                continue;
            }
            long next = i + 1;
            if (next >= count || points[next].x == -1) next = first;
            DrawSegment(points[i], points[next]);
            GrowFillBox(points[i], points[next]);
        }
        FillOutside();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

RECT CKVXPolygonMask::GetFillBox() const {
    return m_fill;
}

bool CKVXPolygonMask::IsEnclosed(long x, long y) const {
    if (x < m_fill.left || x > m_fill.right || y < m_fill.bottom || y > m_fill.top) return false;
    return m_work[Index(x + 1, y + 1)] != Outside;
}

void CKVXPolygonMask::DrawSegment(const POINT& p, const POINT& q) {
    const long px = p.x, py = p.y, qx = q.x, qy = q.y;
    if (px != qx) {
        const float slope = static_cast<float>(qy - py) / static_cast<float>(qx - px);
        const long from = std::max(std::min(px, qx), -1L);
        const long to = std::min(std::max(px, qx), m_width);
        for (long x = from; x <= to; ++x) {
            const long y = TruncateInto(static_cast<float>(x - px) * slope + static_cast<float>(py), -1, m_height);
            Mark(x + 1, y + 1);
        }
    }
    if (py != qy) {
        const long from = std::max(std::min(py, qy), -1L);
        const long to = std::min(std::max(py, qy), m_height);
        for (long y = from; y <= to; ++y) {
            const float v = static_cast<float>(y - py) * static_cast<float>(qx - px) / static_cast<float>(qy - py) +
                            static_cast<float>(px);
            const long x = TruncateInto(v, -1, m_width);
            Mark(x + 1, y + 1);
        }
    }
}

void CKVXPolygonMask::GrowFillBox(const POINT& p, const POINT& q) {
    const long xLow = std::min<long>(p.x, q.x), xHigh = std::max<long>(p.x, q.x);
    const long yLow = std::min<long>(p.y, q.y), yHigh = std::max<long>(p.y, q.y);
    // One pixel of margin around the contour, within the framed mask.
    if (m_fill.top < yHigh) m_fill.top = static_cast<LONG>(std::clamp(yHigh + 1, -1L, m_height));
    if (m_fill.left > xLow) m_fill.left = static_cast<LONG>(std::clamp(xLow - 1, -1L, m_width));
    if (m_fill.right < xHigh) m_fill.right = static_cast<LONG>(std::clamp(xHigh + 1, -1L, m_width));
    if (m_fill.bottom > yLow) m_fill.bottom = static_cast<LONG>(std::clamp(yLow - 1, -1L, m_height));
}

void CKVXPolygonMask::FillOutside() {
    if (m_fill.left > m_fill.right || m_fill.bottom > m_fill.top) return;
    // The fill box's border, in framed coordinates; each empty border pixel
    // starts a fill of its own.
    const long left = m_fill.left + 1, right = m_fill.right + 1;
    const long bottom = m_fill.bottom + 1, top = m_fill.top + 1;
    for (long x = left; x <= right; ++x) FloodFrom(x, bottom);
    for (long y = bottom; y <= top; ++y) FloodFrom(right, y);
    for (long x = left; x <= right; ++x) FloodFrom(x, top);
    for (long y = bottom; y <= top; ++y) FloodFrom(left, y);
}

void CKVXPolygonMask::FloodFrom(long x, long y) {
    if (m_work[Index(x, y)] != Empty) return;
    // Scan-line fill inside the fill box: each pending position is widened
    // to its whole run of empty pixels, and one position per empty run
    // directly above and below is queued. The queue grows as it must.
    const long left = m_fill.left + 1, right = m_fill.right + 1;
    const long bottom = m_fill.bottom + 1, top = m_fill.top + 1;
    m_pending.clear();
    m_pending.push_back(POINT{static_cast<LONG>(x), static_cast<LONG>(y)});
    while (!m_pending.empty()) {
        const POINT seed = m_pending.back();
        m_pending.pop_back();
        unsigned char* row = &m_work[Index(0, seed.y)];
        if (row[seed.x] != Empty) continue;
        long runStart = seed.x;
        long runEnd = seed.x;
        while (runStart > left && row[runStart - 1] == Empty) --runStart;
        while (runEnd < right && row[runEnd + 1] == Empty) ++runEnd;
        std::fill(row + runStart, row + runEnd + 1, static_cast<unsigned char>(Outside));
        for (const long neighbour : {static_cast<long>(seed.y) - 1, static_cast<long>(seed.y) + 1}) {
            if (neighbour < bottom || neighbour > top) continue;
            const unsigned char* next = &m_work[Index(0, neighbour)];
            bool inRun = false;
            for (long i = runStart; i <= runEnd; ++i) {
                const bool empty = next[i] == Empty;
                if (empty && !inRun)
                    m_pending.push_back(POINT{static_cast<LONG>(i), static_cast<LONG>(neighbour)});
                inRun = empty;
            }
        }
    }
}
