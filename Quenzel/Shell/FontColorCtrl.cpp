#include "Quenzel/Shell/FontColorCtrl.h"

#include <QPainter>

#include "Pendrel/Platform/KVXSysColors.h"

CFontColorCtrl::CFontColorCtrl(QWidget* parent) : CKVXWnd<QWidget>(parent) {}

void CFontColorCtrl::SetColor(COLORREF color) {
    m_color = color;
    repaint();
}

void CFontColorCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), KVXToQColor(m_color));
}
