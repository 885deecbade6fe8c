#include "Quenzel/Shell/CheckColumnListCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

CCheckColumnListCtrl::CCheckColumnListCtrl(QWidget* parent) : CBasicListCtrl(eReport, parent) {}

void CCheckColumnListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        POINT point{at.x(), at.y()};
        int column = -1;
        m_pressedColumn = HitTestEx(point, &column) >= 0 ? column : -1;
    }
    CBasicListCtrl::mousePressEvent(event);
}

void CCheckColumnListCtrl::DrawCheckCell(QPainter* painter, int row, int column, const wchar_t* text,
                                         const LVCOLUMNW& columnInfo, BOOL selected, CKVXRect cell, int margin,
                                         bool checked) {
    CBasicListCtrl::DrawColumnData(painter, row, column, L"", columnInfo, selected, cell, margin);
    const int size = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    // Level with the first line of the cell's text.
    const int line = painter->fontMetrics().height();
    QStyleOptionButton box;
    box.initFrom(this);
    box.rect = QRect(cell.left + margin, cell.top + std::max(0, (line - size) / 2), size, size);
    box.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, this);
    CKVXRect rest = cell;
    rest.left = box.rect.right() + 1 + 4 - margin;
    CBasicListCtrl::DrawColumnData(painter, row, column, text, columnInfo, selected, rest, margin);
}
