#pragma once
// Font descriptions (LOGFONTW, as the settings store them field by field)
// to and from Qt fonts.
//
// - lfHeight below 0 is the character height in pixels, above 0 the cell
//   height (character plus internal leading), 0 the application's size.
// - lfWeight 0 is normal; other weights keep their 1 to 1000 scale.
// - Italic, underline and strike-out carry over; the pitch and family bits
//   become Qt's style hints; NONANTIALIASED_QUALITY turns smoothing off.
// - The escapement (rotated text) and the width are not used.

#include <QFont>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

#define FIXED_PITCH 0x01
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
#define DEFAULT_CHARSET 1
#define NONANTIALIASED_QUALITY 3

PENDREL_API QFont KVXFontFromLogFont(const LOGFONTW& font);
// The description of a Qt font: lfHeight is the negative pixel size.
PENDREL_API LOGFONTW KVXLogFontFromFont(const QFont& font);
