#pragma once
// Drawing text into a rectangle with the rules of the system's DT_* flags,
// in the painter's font, pen colour and background mode (an opaque
// background fills each line's box with the painter's background brush).
//
// - Horizontal: DT_LEFT, DT_CENTER, DT_RIGHT. Vertical placement only with
//   DT_SINGLELINE: DT_VCENTER centres the line, DT_BOTTOM puts it at the
//   bottom; otherwise the text starts at the top.
// - Lines, word wrap, '&' prefixes and the end ellipsis as in
//   KVXTextLayout.h; without DT_NOCLIP nothing is drawn outside the
//   rectangle.
// - DT_CALCRECT draws nothing: the rectangle's right edge becomes left plus
//   the widest line, its bottom edge top plus the text's height.
// - The result is the text's height; with DT_VCENTER or DT_BOTTOM (single
//   line) the distance from the rectangle's top to the text's bottom.
//   0 for null arguments.
//
// Rectangles include left and top and exclude right and bottom.

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

class QPainter;

// count -1: up to the terminating 0.
PENDREL_API int DrawText(QPainter& painter, const wchar_t* text, int count, RECT* rect, UINT format);
