#pragma once
// The work mask of the selection's polygon fill: the contours of closed
// polygons are drawn into a mask of the image's size with a one-pixel frame
// around it, then everything reachable from the border of the contours'
// fill box is marked as outside. Pixels that stay unmarked are on a contour
// or enclosed by one.
//
// Contour points beyond the image are held to the frame, so a polygon that
// reaches past the image still has a closed contour and keeps its inside;
// segments are stepped only over the columns and rows of the framed mask.

#include <cstddef>
#include <vector>

#include "compat/WinTypes.h"

class CKVXPolygonMask {
public:
    CKVXPolygonMask(long width, long height);

    // Draws and fills the polygons of points; a point with x = -1 separates
    // sub-polygons, and each is closed on its own first point. False when
    // the work buffers cannot be allocated.
    bool Rasterise(const POINT* points, long count);

    // The fill box in image coordinates with inclusive bounds (top is the
    // highest row); it may reach one pixel into the frame. Inverted (left
    // above right) when no segment was drawn.
    RECT GetFillBox() const;
    // The image pixel lies in the fill box and is on a contour or enclosed.
    bool IsEnclosed(long x, long y) const;

private:
    enum : unsigned char { Empty = 0, Outside = 1, Contour = 255 };

    void DrawSegment(const POINT& p, const POINT& q);
    void GrowFillBox(const POINT& p, const POINT& q);
    void FillOutside();
    void FloodFrom(long x, long y);
    void Mark(long x, long y) { m_work[Index(x, y)] = Contour; }
    size_t Index(long x, long y) const { return static_cast<size_t>(y) * m_framedWidth + static_cast<size_t>(x); }

    long m_width;
    long m_height;
    long m_framedWidth;
    long m_framedHeight;
    // Framed coordinates: image pixel (x, y) is work pixel (x + 1, y + 1).
    std::vector<unsigned char> m_work;
    RECT m_fill;
    std::vector<POINT> m_pending;
};
