#pragma once
// The lines of a text as the drawing function lays them out (DrawText,
// KVXDrawText.h), for a font's metrics, the DT_* layout flags and a width:
//
// - Lines end at CR LF, LF or CR; with DT_SINGLELINE the breaks count as
//   spaces and there is one line.
// - DT_WORDBREAK wraps at spaces where a line would pass the width; the
//   spaces at a wrap are dropped. A word wider than the width keeps a line
//   of its own.
// - Without DT_NOPREFIX "&x" shows x underlined and "&&" one '&'; a lone
//   '&' at the end shows nothing.
// - DT_END_ELLIPSIS ends a line wider than the width with an ellipsis.
// - A line is as high as the font (ascent plus descent).

#include <QFontMetrics>
#include <QString>

#include <vector>

#include "compat/WinUser.h"

class CKVXTextLayout {
public:
    struct Line {
        QString text;               // as shown (prefixes resolved)
        std::vector<int> underline; // indexes in text of the underlined characters
        int width = 0;
    };

    // width below 0: no limit.
    CKVXTextLayout(const QFontMetrics& metrics, const QString& text, UINT format, int width);

    const std::vector<Line>& Lines() const { return m_lines; }
    int LineHeight() const { return m_lineHeight; }
    int Width() const;
    int Height() const { return static_cast<int>(m_lines.size()) * m_lineHeight; }

private:
    void AddParagraph(const Line& paragraph, bool wrap, int width);
    void AddLine(Line line, int width);

    const QFontMetrics& m_metrics;
    UINT m_format;
    int m_lineHeight;
    std::vector<Line> m_lines;
};
