#pragma once
// A colour written as text, read into a COLORREF (0x00BBGGRR):
//
// - "r,g,b": decimal components, red first; a missing blue is 0; each
//   component is kept modulo 256 ("300,0,0" is red 44, "-1" is 255).
//   Components read like the C runtime's integer reading: leading blanks
//   and a sign, up to the first non-digit, no digits give 0.
// - "#RRGGBB": exactly seven characters with the '#' first; each pair of
//   hexadecimal digits is read on its own as far as it is hexadecimal
//   ("G0" gives 0). Any other text with a '#' gives black.
// - a name of the 140-name table, without regard to case; the table keeps
//   its own values for BlanchedAlmond (#FFFFCD), Gray (#7F7F7F) and
//   YellowGreen (#8BCD32), and only LightGrey is spelt with "Grey".
//
// Anything else gives black.

#include "compat/WinTypes.h"

class CBasicNamedColors {
public:
    explicit CBasicNamedColors(const wchar_t* text);
    virtual ~CBasicNamedColors();

    COLORREF GetColor() const { return m_color; }

private:
    COLORREF m_color = 0;
};
