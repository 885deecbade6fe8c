#pragma once
// Draws the rows of the learning view's word list: a selected row on cyan
// while keeping its text colour (the colour of its mark), other rows on
// their own background.

#include <QStyledItemDelegate>

class CLearnDlgRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
