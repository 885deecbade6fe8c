#include "Pendrel/Core/ResizableLayout.h"

#include <map>

#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\KVXResizableDlg";
constexpr int kLineNoReference = 300;

LONG Width(const RECT& r) {
    return r.right - r.left;
}

LONG Height(const RECT& r) {
    return r.bottom - r.top;
}

// part / whole x size, computed in double precision, held as a
// single-precision value and truncated toward zero.
LONG Proportion(LONG part, LONG whole, LONG size) {
    const float value = static_cast<float>(static_cast<double>(part) / whole * size);
    return static_cast<LONG>(value);
}

// size x (part / whole) in double precision, truncated toward zero; part
// itself when the whole is 0.
LONG Scaled(LONG size, LONG part, LONG whole) {
    if (whole == 0) return part;
    return static_cast<LONG>(static_cast<double>(size) * (static_cast<double>(part) / whole));
}

} // namespace

void KVXMeasureResizableCtrls(std::vector<st_ResizableCtrl>& records, SIZE client,
                              const KVXControlRectLookup& lookup) {
    for (st_ResizableCtrl& record : records) {
        RECT control;
        if (!lookup(record.id, control)) continue;
        if ((record.flags & RESIZE_RELATIVE) && record.refId != 0) {
            RECT reference;
            if (!lookup(record.refId, reference)) {
                ReportAssertion(0, kSourceFile, kLineNoReference);
                continue;
            }
            record.rect = reference;
            record.d0 = control.left - reference.left;
            record.d1 = Width(control);
            record.d2 = control.top - reference.top;
            record.d3 = Height(control);
        } else {
            record.rect = control;
            record.d0 = control.left;
            record.d1 = client.cx - control.right;
            record.d2 = control.top;
            record.d3 = client.cy - control.bottom;
        }
    }
}

RECT KVXLayoutResizableCtrl(const st_ResizableCtrl& r, const RECT& reference, SIZE resizing, SIZE initial) {
    const RECT& measured = r.rect;
    const LONG width = Width(measured);
    const LONG height = Height(measured);
    const LONG W = resizing.cx;
    const LONG H = resizing.cy;
    RECT n = measured;
    const DWORD flags = r.flags;

    if (flags & RESIZE_RELATIVE) {
        const RECT& q = reference;
        n.left = Scaled(Width(q), r.d0, width) + q.left;
        n.right = Scaled(Width(q), r.d1, width) + n.left;
        n.top = Scaled(Height(q), r.d2, height) + q.top;
        n.bottom = Scaled(Height(q), r.d3, height) + n.top;
    }
    if (flags & RESIZE_STRETCH_WIDTH) {
        n.left = r.d0;
        n.right = W - r.d1;
    }
    if (flags & RESIZE_STRETCH_HEIGHT) {
        n.top = r.d2;
        n.bottom = H - r.d3;
    }
    if (flags & RESIZE_SCALE_LEFT) {
        const LONG x = Proportion(r.d0, initial.cx, W);
        n = RECT{x, measured.top, x + width, measured.bottom};
    }
    if (flags & RESIZE_SCALE_WIDTH) {
        const LONG w = Proportion(width, initial.cx, W);
        if (flags & RESIZE_SCALE_FROM_RIGHT) {
            const LONG right = W - r.d1 - 1;
            n = RECT{right - w, measured.top, right, measured.bottom};
        } else {
            n = RECT{n.left, measured.top, n.left + w, measured.bottom};
        }
    } else if (flags & RESIZE_ANCHOR_RIGHT) {
        const LONG x = W - r.d1 - width;
        n = RECT{x, measured.top, x + width, measured.bottom};
    } else if (flags & RESIZE_KEEP_LEFT) {
        n = measured;
    }
    if (flags & RESIZE_SCALE_TOP) {
        const LONG y = Proportion(r.d2, initial.cy, H);
        n = RECT{n.left, y, n.right, y + Height(n)};
    }
    if (flags & RESIZE_SCALE_HEIGHT) {
        n.bottom = n.top + Proportion(height, initial.cy, H);
    } else if (flags & RESIZE_ANCHOR_BOTTOM) {
        const LONG y = H - r.d3 - height;
        n = RECT{n.left, y, n.right, y + Height(n)};
    } else if (flags & RESIZE_KEEP_TOP) {
        n.top = measured.top;
    }
    return n;
}

std::vector<KVXResizableMove> KVXLayoutResizableCtrls(const std::vector<st_ResizableCtrl>& records, SIZE resizing,
                                                      SIZE initial, const KVXControlRectLookup& lookup) {
    std::vector<KVXResizableMove> moves;
    // The controls moved so far, where a later record finds them.
    std::map<WORD, RECT> moved;
    const auto current = [&](WORD id, RECT& rect) {
        if (!lookup(id, rect)) return false;
        auto it = moved.find(id);
        if (it != moved.end()) rect = it->second;
        return true;
    };
    for (const st_ResizableCtrl& record : records) {
        RECT control;
        if (!current(record.id, control)) continue;
        RECT reference{0, 0, 0, 0};
        if ((record.flags & RESIZE_RELATIVE) && !current(record.refId, reference)) continue;
        const RECT rect = KVXLayoutResizableCtrl(record, reference, resizing, initial);
        moved[record.id] = rect;
        moves.push_back({record.id, rect});
    }
    return moves;
}
