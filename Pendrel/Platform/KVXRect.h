#pragma once
// A rectangle of the system: left and top inside, right and bottom just
// outside (a 10 x 5 rectangle at the origin is 0, 0, 10, 5). It is a RECT,
// so it goes wherever one is asked for, and it converts to and from Qt's
// rectangles, whose right() and bottom() are inside.

#include <QRect>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class PENDREL_API CKVXRect : public RECT {
public:
    CKVXRect() : RECT{0, 0, 0, 0} {}
    CKVXRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
    CKVXRect(const RECT& rect) : RECT(rect) {}
    explicit CKVXRect(const QRect& rect);

    LONG Width() const { return right - left; }
    LONG Height() const { return bottom - top; }
    // No area: right not beyond left or bottom not below top.
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool PtInRect(POINT point) const;
    void OffsetRect(LONG dx, LONG dy);
    // Grows each side outwards by dx and dy (shrinks for negative values).
    void InflateRect(LONG dx, LONG dy);
    void DeflateRect(LONG dx, LONG dy) { InflateRect(-dx, -dy); }
    // The common part of a and b; false, and an all-zero rectangle, when
    // they have none.
    bool IntersectRect(const RECT& a, const RECT& b);

    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
};
