#pragma once
// One anchored control of a resizable dialog: which control moves, which
// control it follows, how it is anchored, and what the measuring pass
// found (ResizableLayout.h).
//
// Absolute record: rect is the control's own rectangle in dialog client
// coordinates; d0 is its left margin, d1 its right margin (client width
// minus rect.right), d2 its top margin, d3 its bottom margin.
// Relative record (RESIZE_RELATIVE with a reference id): rect is the
// reference control's rectangle; d0 and d2 are the control's distance from
// the reference's left and top edges, d1 and d3 its width and height.

#include "compat/WinTypes.h"

// The anchoring bits; derived dialogs pass them as numbers, so the values
// stay as they are.
#define RESIZE_KEEP_LEFT 0x0001u
#define RESIZE_KEEP_TOP 0x0002u
#define RESIZE_ANCHOR_RIGHT 0x0004u
#define RESIZE_ANCHOR_BOTTOM 0x0008u
#define RESIZE_SCALE_WIDTH 0x0010u
#define RESIZE_SCALE_HEIGHT 0x0020u
#define RESIZE_SCALE_LEFT 0x0040u
#define RESIZE_SCALE_TOP 0x0080u
#define RESIZE_STRETCH_WIDTH 0x0100u
#define RESIZE_STRETCH_HEIGHT 0x0200u
#define RESIZE_SCALE_FROM_RIGHT 0x0400u
#define RESIZE_RELATIVE 0x4000u

struct st_ResizableCtrl {
    st_ResizableCtrl() = default;
    st_ResizableCtrl(WORD controlId, WORD referenceId, DWORD anchorFlags)
        : id(controlId), refId(referenceId), flags(anchorFlags) {}

    RECT rect{0, 0, 0, 0};  // measured
    WORD id = 0;             // the control to move
    WORD refId = 0;          // the control it follows (RESIZE_RELATIVE only)
    DWORD flags = 0;         // RESIZE_*
    int d0 = 0;
    int d1 = 0;
    int d2 = 0;
    int d3 = 0;
};
