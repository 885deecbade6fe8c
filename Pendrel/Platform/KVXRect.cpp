#include "Pendrel/Platform/KVXRect.h"

#include <algorithm>

CKVXRect::CKVXRect(const QRect& rect) : RECT{rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()} {}

bool CKVXRect::PtInRect(POINT point) const {
    return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
}

void CKVXRect::OffsetRect(LONG dx, LONG dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

void CKVXRect::InflateRect(LONG dx, LONG dy) {
    left -= dx;
    right += dx;
    top -= dy;
    bottom += dy;
}

bool CKVXRect::IntersectRect(const RECT& a, const RECT& b) {
    const CKVXRect common(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                          std::min(a.bottom, b.bottom));
    *this = common.IsRectEmpty() ? CKVXRect() : common;
    return !IsRectEmpty();
}
