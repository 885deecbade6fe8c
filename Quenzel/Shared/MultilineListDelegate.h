#pragma once
// CMultilineListDelegate: paints and measures the items of the multi-line
// word list box by asking the box, which knows its fonts, images and mode.

#include <QStyledItemDelegate>

class CMultilineListBox;

class CMultilineListDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit CMultilineListDelegate(CMultilineListBox* box);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CMultilineListBox* m_box;
};
