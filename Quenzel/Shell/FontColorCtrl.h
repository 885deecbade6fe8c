#pragma once
// CFontColorCtrl: the colour swatch of the fonts and colours page; it
// fills its whole area with its colour (black at construction).

#include <QWidget>

#include "Pendrel/Platform/KVXWnd.h"
#include "compat/WinTypes.h"

class CFontColorCtrl : public CKVXWnd<QWidget> {
    Q_OBJECT

public:
    explicit CFontColorCtrl(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CFontColorCtrl)

    COLORREF GetColor() const { return m_color; }
    // Sets the colour and repaints at once.
    void SetColor(COLORREF color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    COLORREF m_color = 0;
};
