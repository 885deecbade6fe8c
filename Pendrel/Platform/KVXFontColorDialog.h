#pragma once
// The font and colour dialogs: ask the user for a font (initialised from a
// LOGFONTW, screen fonts) or a colour (initialised from a COLORREF, the
// full dialog). Each gives true on OK and then replaces the value; on
// Cancel the value stays untouched.
//
// Tests put a handler in place of the dialogs, which answers instead.

#include <functional>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class QWidget;

struct KVXFontColorRequest {
    enum Kind { Font, Color };
    Kind kind = Font;
    LOGFONTW font{};   // Font: the start value and the answer
    COLORREF color = 0; // Color: the start value and the answer
};

// Returns false when the user cancelled (the request's value is then
// ignored).
using KVXFontColorDialogHandler = std::function<bool(QWidget* parent, KVXFontColorRequest& request)>;

PENDREL_API bool KVXChooseFont(QWidget* parent, LOGFONTW& font);
PENDREL_API bool KVXChooseColor(QWidget* parent, COLORREF& color);
// An empty handler brings the dialogs back.
PENDREL_API void KVXSetFontColorDialogHandler(KVXFontColorDialogHandler handler);
