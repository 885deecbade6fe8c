#include "Quenzel/Shared/MultilineListDelegate.h"

#include "Quenzel/Shared/MultilineListBox.h"

CMultilineListDelegate::CMultilineListDelegate(CMultilineListBox* box) : QStyledItemDelegate(box), m_box(box) {}

void CMultilineListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const bool focused = (option.state & QStyle::State_HasFocus) != 0;
    m_box->DrawItem(*painter, option.rect, index.row(), selected, focused);
}

QSize CMultilineListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    return QSize(m_box->viewport()->width(), m_box->MeasureItem(index.row()));
}
