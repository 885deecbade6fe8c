#include "Pendrel/Image/KVXRect2.h"

#include <algorithm>

float CKVXRect2::Width() const {
    return highCorner.x - lowCorner.x;
}

float CKVXRect2::Height() const {
    return highCorner.y - lowCorner.y;
}

float CKVXRect2::Surface() const {
    return (highCorner.y - lowCorner.y) * (highCorner.x - lowCorner.x);
}

CKVXPoint2 CKVXRect2::Center() const {
    return CKVXPoint2((lowCorner.x + highCorner.x) * 0.5f, (lowCorner.y + highCorner.y) * 0.5f);
}

CKVXRect2 CKVXRect2::CrossSection(const CKVXRect2& r) const {
    CKVXRect2 overlap(std::max(lowCorner.x, r.lowCorner.x), std::max(lowCorner.y, r.lowCorner.y),
                      std::min(highCorner.x, r.highCorner.x), std::min(highCorner.y, r.highCorner.y));
    if (overlap.highCorner.x < overlap.lowCorner.x || overlap.highCorner.y < overlap.lowCorner.y) return CKVXRect2();
    return overlap;
}
