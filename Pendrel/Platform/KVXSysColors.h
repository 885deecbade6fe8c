#pragma once
// System colours and colour values. The system colours come from one fixed
// table (the default scheme: dialog face 0xF0F0F0, tooltip background
// RGB(255, 255, 225), ...), not from the desktop, so every picture the
// controls paint is the same on every machine. COLORREF is 0x00BBGGRR.

#include <QColor>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

// The colour of a COLOR_* index; 0 (black) for an index the table lacks.
PENDREL_API COLORREF GetSysColor(int index);

PENDREL_API QColor KVXToQColor(COLORREF color);
// The colour without its alpha.
PENDREL_API COLORREF KVXFromQColor(const QColor& color);
