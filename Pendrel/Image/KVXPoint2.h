#pragma once
// A point with real coordinates.

#include "Pendrel/Image/KVXImageDefs.h"

class KVXIMAGE_API CKVXPoint2 {
public:
    CKVXPoint2() : x(0.0f), y(0.0f) {}
    CKVXPoint2(float px, float py) : x(px), y(py) {}
    CKVXPoint2(const CKVXPoint2& p) = default;
    CKVXPoint2& operator=(const CKVXPoint2& p) = default;

    // Euclidean distance, in single precision.
    float Distance(CKVXPoint2 p) const;
    float Distance(float px, float py) const;

    float x;
    float y;
};
