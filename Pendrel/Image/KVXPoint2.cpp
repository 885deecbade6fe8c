#include "Pendrel/Image/KVXPoint2.h"

#include <cmath>

float CKVXPoint2::Distance(CKVXPoint2 p) const {
    return Distance(p.x, p.y);
}

float CKVXPoint2::Distance(float px, float py) const {
    const float dx = x - px;
    const float dy = y - py;
    return std::sqrt(dx * dx + dy * dy);
}
