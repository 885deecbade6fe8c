#pragma once
// The hyperlink label's markup laid out into what a paint draws, apart from
// any window: runs of text with their font and colours, horizontal rules,
// and the rectangles of the links with their addresses.
//
// Markup (tags without regard to case): <B>, <I>, <U>, <CENTER>, <STRIKE>,
// <SUB>, <SUP> (each counted, a stray close tag changes nothing), <BIG>,
// <SMALL>, <FONT COLOR="" BGCOLOR="" FACE="" SIZE="">, </FONT> (back to the
// colours and font at the start, whatever was nested), <CODE>, </CODE>,
// <A HREF="address">, </A>, <HR SIZE=n>, <BR>. Any other "<" is text, and so
// is a <FONT, <A HREF= or <HR that no ">" closes. Thirteen entities (&amp;
// first) stand for their characters in text and for themselves in
// addresses; &nbsp; is a space that does not break a word.
//
// Layout: words are wrapped into the client width less the margins; a
// word wider than the width stands alone on its line and is not split;
// lines that do not fit the client height are not drawn; every line a
// link covers gets its own rectangle.

#include <string>
#include <vector>

#include "compat/WinTypes.h"

// Text metrics of the font being laid out (a Qt font in the label, a fixed
// grid in tests).
class CHyperlinkMeasure {
public:
    virtual ~CHyperlinkMeasure() = default;
    virtual void SelectFont(const LOGFONTW& font) = 0;
    virtual int TextWidth(const std::wstring& text) = 0;
    virtual int Ascent() = 0;
    virtual int Descent() = 0;
    virtual int Height() = 0;
};

struct HyperlinkRun {
    std::wstring text;
    RECT cell;          // left, top; width and line height of the text
    LOGFONTW font;
    COLORREF textColor;
    COLORREF backColor;
};

struct HyperlinkRule {
    RECT rect;
    COLORREF color;
};

struct HyperlinkLink {
    RECT rect;
    std::wstring address;
};

struct HyperlinkDisplay {
    std::vector<HyperlinkRun> runs;
    std::vector<HyperlinkRule> rules;
    std::vector<HyperlinkLink> links;
};

class CHyperlinkLayout {
public:
    CHyperlinkLayout() { Reset(); }

    // The markup state back to the start (no open tags, rule thickness 2).
    void Reset();

    // Lays text out in the client rectangle. base: the font the text starts
    // in; textColor, backColor: the colours it starts in.
    HyperlinkDisplay Layout(const std::wstring& text, const RECT& client, int leftMargin, int rightMargin,
                            const LOGFONTW& base, COLORREF textColor, COLORREF backColor,
                            CHyperlinkMeasure& measure);

    // The character of an entity code (2 to 14); a space for any other.
    static wchar_t GetCharEntity(wchar_t code);
    // Every entity name replaced, in table order, by the escape U+0001 and
    // its code.
    static std::wstring EncodeEntities(const std::wstring& text);
    // The escapes turned back into the entity names.
    static std::wstring RestoreEntities(const std::wstring& text);

private:
    struct Line {
        std::wstring text;
        RECT box;
    };
    // Lays one run out at the pen position (relative to the layout
    // rectangle's left edge) and gives the pen position after it.
    int FormatText(const std::wstring& run, int pen, std::vector<Line>& lines);
    std::wstring GetNextWord(const std::wstring& run, size_t& position, bool& endOfLine) const;
    void ReadFontAttributes(const std::wstring& attributes);
    void ReadRuleAttributes(const std::wstring& attributes);

    // Markup state.
    int m_underline = 0;
    int m_bold = 0;
    int m_italic = 0;
    int m_center = 0;
    int m_strike = 0;
    int m_subscript = 0;
    int m_superscript = 0;
    int m_rulesPending = 0;
    int m_ruleThickness = 2;
    bool m_insideLink = false;

    // State of one layout.
    CHyperlinkMeasure* m_measure = nullptr;
    RECT m_rect{};        // the layout rectangle (margins applied)
    LONG m_left = 0;      // its left edge before centring
    LONG m_lineTop = 0;
    LOGFONTW m_font{};
    LOGFONTW m_savedFont{};
    COLORREF m_textColor = 0;
    COLORREF m_backColor = 0;
    COLORREF m_savedTextColor = 0;
    COLORREF m_savedBackColor = 0;
    bool m_sizeApplied = false;
    int m_lastDescent = 0;
};
