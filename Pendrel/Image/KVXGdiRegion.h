#pragma once
// A region: the union of a set of rectangles in pixel coordinates (right and
// bottom edges exclusive). The selection hands its mask out as one.

#include <vector>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXGdiObject.h"

class KVXIMAGE_API CKVXGdiRegion : public CKVXGdiObject {
public:
    CKVXGdiRegion() = default;
    explicit CKVXGdiRegion(const RECT& rect);

    // Adds the rectangle to the region (a union); empty rectangles add nothing.
    void Combine(const RECT& rect);
    bool IsEmpty() const { return m_rects.empty(); }
    bool Contains(long x, long y) const;
    // The smallest rectangle around the region; 0, 0, 0, 0 when it is empty.
    RECT GetBox() const;
    // The rectangles in the order they were added; they may overlap.
    const std::vector<RECT>& GetRects() const { return m_rects; }

private:
    std::vector<RECT> m_rects;
};
