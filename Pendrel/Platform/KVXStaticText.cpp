#include "Pendrel/Platform/KVXStaticText.h"

#include <QPainter>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"

namespace {

UINT FormatOf(DWORD style) {
    UINT format = DT_WORDBREAK;
    if ((style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
    else if ((style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    return format;
}

} // namespace

CKVXStaticText::CKVXStaticText(const QString& text, DWORD style, QWidget* parent)
    : QLabel(text, parent), m_format(FormatOf(style)) {
    setTextFormat(Qt::PlainText);
}

void CKVXStaticText::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(isEnabled() ? palette().color(QPalette::WindowText) : KVXToQColor(GetSysColor(COLOR_GRAYTEXT)));
    CKVXRect area(contentsRect());
    const CBasicString content = KVXFromQString(text());
    DrawText(painter, content.GetString(), content.GetLength(), &area, m_format);
}
