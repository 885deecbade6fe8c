#include "Quenzel/Tutor/LearnDlgRowDelegate.h"

void CLearnDlgRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!(option->state & QStyle::State_Selected)) return;
    option->state &= ~QStyle::State_Selected;
    option->backgroundBrush = QBrush(QColor(0, 255, 255));
}
