#include "Quenzel/Dictionary/DictionaryListDelegate.h"

#include <QPainter>

#include "Quenzel/Dictionary/DictionaryListBox.h"

CDictionaryListDelegate::CDictionaryListDelegate(CDictionaryListBox* list) : QStyledItemDelegate(list), m_list(list) {}

void CDictionaryListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    painter->save();
    m_list->DrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected,
                     option.state & QStyle::State_HasFocus);
    painter->restore();
}

QSize CDictionaryListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    return QSize(m_list->viewport()->width(), m_list->MeasureItem(index.row()));
}
