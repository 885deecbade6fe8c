#pragma once
// A deterministic font for drawing text without a display: every visible
// character is a filled block in a cell of fixed size, so the size and the
// pixels of a text follow from its characters alone.
//
//   cell height  H = |lfHeight| (16 when it is 0), at most 1024 pixels
//   advance      A = (H + 1) / 2 pixels per character
//   block        rows H/4 ... H - H/8 - 1 of the cell (from its top) and
//                columns 1 ... A - 2 (all A columns in a bold font, weight
//                700 or more; all as well when A is 2 or less)
//   underline    the cell's last row over the whole advance
// White space draws nothing. Lines end at a carriage return, a line feed or
// both; a text measures the longest line times A by the lines times H, and
// an empty text 0 by 0. Without DT_NOPREFIX "&x" draws x underlined, "&&"
// draws "&" and a last lone "&" draws nothing.

#include <string>
#include <vector>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXDeviceContext.h"

class CKVXBlockFont {
public:
    explicit CKVXBlockFont(const LOGFONTW& font);

    long GetCellHeight() const { return m_cellHeight; }
    long GetAdvance() const { return m_advance; }

    SIZE Measure(const wchar_t* text, UINT format) const;
    // Draws the text white into the 24-bit block from its top-left corner,
    // each line placed by the alignment in format within the block's width.
    void Render(const wchar_t* text, UINT format, const KVXPixelBlock& block) const;

private:
    struct Glyph {
        wchar_t character;
        bool underlined;
    };
    using Line = std::vector<Glyph>;

    std::vector<Line> Layout(const wchar_t* text, UINT format) const;
    void FillCellRows(const KVXPixelBlock& block, long cellLeft, long cellTop, long rowFrom, long rowTo,
                      long columnFrom, long columnTo) const;

    long m_cellHeight;
    long m_advance;
    bool m_bold;
    bool m_underline;
};
