#pragma once
// A rectangle with real coordinates, given by its low corner (x0, y0) and its
// high corner (x1, y1).

#include "Pendrel/Image/KVXImageDefs.h"
#include "Pendrel/Image/KVXPoint2.h"

class KVXIMAGE_API CKVXRect2 {
public:
    CKVXRect2() = default;
    CKVXRect2(float x0, float y0, float x1, float y1) : lowCorner(x0, y0), highCorner(x1, y1) {}
    CKVXRect2(const CKVXRect2& r) = default;
    CKVXRect2& operator=(const CKVXRect2& r) = default;

    float Width() const;
    float Height() const;
    float Surface() const;
    CKVXPoint2 Center() const;
    // The overlap of the two rectangles; touching rectangles give a
    // degenerate rectangle, disjoint ones the rectangle 0, 0, 0, 0.
    CKVXRect2 CrossSection(const CKVXRect2& r) const;

    CKVXPoint2 lowCorner;
    CKVXPoint2 highCorner;
};
