#include "Pendrel/Image/KVXGdiRegion.h"

#include <algorithm>

CKVXGdiRegion::CKVXGdiRegion(const RECT& rect) {
    Combine(rect);
}

void CKVXGdiRegion::Combine(const RECT& rect) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    m_rects.push_back(rect);
}

bool CKVXGdiRegion::Contains(long x, long y) const {
    return std::any_of(m_rects.begin(), m_rects.end(), [x, y](const RECT& r) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
}

RECT CKVXGdiRegion::GetBox() const {
    if (m_rects.empty()) return RECT{0, 0, 0, 0};
    RECT box = m_rects.front();
    for (const RECT& r : m_rects) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}
