#pragma once
// A text static that paints its window text itself: its own font (built
// bold or normal from the window's font, or given), colour and DT_* format,
// on a transparent background or, with erase set, on its background
// colour. Disabled text is grey (COLOR_GRAYTEXT). An own font given with
// SetControlFont that is too large for the control falls back to the
// window's font.
//
// In the outer draw mode the control paints nothing: its owner calls
// DrawTextExW with a painter on itself, and the text is drawn in the
// control's place (its geometry in the parent).

#include <QFont>
#include <QLabel>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

class PENDREL_API CTransparentStaticCtrl : public QLabel {
    Q_OBJECT

public:
    explicit CTransparentStaticCtrl(QWidget* parent = nullptr);

    // Above 0: the control's font is bold.
    void SetTextOptions(int options) { m_textOptions = options; }
    void SetEraseBackground(int erase) { m_eraseBackground = erase; }
    void SetTextFormat(UINT format) { m_textFormat = format; }
    void SetFontColor(COLORREF color) { m_fontColor = color; }
    void SetBackgroudColor(COLORREF color) { m_backgroundColor = color; }
    void SetOuterDrawMode(int outer) { m_outerDrawMode = outer; }
    COLORREF GetFontColor() const { return m_fontColor; }
    COLORREF GetBackgroudColor() const { return m_backgroundColor; }
    QFont& GetControlFont() { return m_font; }

    // The control's own font from a description.
    BOOL SetControlFont(const LOGFONTW& font);
    // 0: the font is built again from the window's font at the next
    // drawing; otherwise a 14-pixel "Segeo UI" font, bold with text
    // options above 0.
    BOOL SetCustomFont(int custom);

    // Draws the text with the painter: in the control's client rectangle,
    // or in the outer draw mode in its geometry in the parent.
    void DrawTextExW(QPainter* dc);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BOOL CreateCtrlFont();

    BOOL m_ownFontGiven = FALSE;
    int m_textOptions = 0;
    int m_eraseBackground = FALSE;
    UINT m_textFormat = 0;
    QFont m_font;
    bool m_hasFont = false;
    COLORREF m_fontColor;
    COLORREF m_backgroundColor;
    int m_outerDrawMode = FALSE;
};
