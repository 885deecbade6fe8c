#pragma once
// The two passes of a resizable dialog over its anchored controls
// (ResizableCtrl.h), as functions of the records and the sizes only; the
// dialog supplies the controls' rectangles through a lookup and moves the
// controls to what the layout pass gives.
//
// - Measuring: each record whose control exists takes its rectangle and
//   distances, from the control itself or, for a relative record, from its
//   reference control. A missing control leaves the record as it is; a
//   missing reference control is reported (".\KVXResizableDlg", line 300)
//   and leaves it too.
// - Layout: each record whose control (and, for a relative record,
//   reference control) exists gets a new rectangle from the size of the
//   resizing area and the dialog's initial size; the steps run in a fixed
//   order (relative, stretch, scale left, horizontal size, scale top,
//   vertical size) and a later step overwrites what an earlier one set.
//   Proportional positions and sizes are computed in double precision,
//   held in single precision and truncated toward zero. A relative record
//   reads its reference's current rectangle, after the moves of the
//   records before it. A reference that measured 0 wide (or high) keeps
//   the control's offset and size unscaled on that axis.
//
// Rectangles are in dialog client coordinates, right and bottom outside.

#include <functional>
#include <vector>

#include "Pendrel/Core/ResizableCtrl.h"
#include "compat/WinTypes.h"

// The rectangle of the dialog's child with the id; false when it has none.
using KVXControlRectLookup = std::function<bool(WORD id, RECT& rect)>;

struct KVXResizableMove {
    WORD id;
    RECT rect;
};

void KVXMeasureResizableCtrls(std::vector<st_ResizableCtrl>& records, SIZE client,
                              const KVXControlRectLookup& lookup);

// The new rectangle of one record, with reference the reference control's
// current rectangle (used only for a relative record).
RECT KVXLayoutResizableCtrl(const st_ResizableCtrl& record, const RECT& reference, SIZE resizing, SIZE initial);

// The layout pass: the moves in record order; skipped records give none.
std::vector<KVXResizableMove> KVXLayoutResizableCtrls(const std::vector<st_ResizableCtrl>& records, SIZE resizing,
                                                      SIZE initial, const KVXControlRectLookup& lookup);
