#pragma once
// CDictionaryListDelegate: hands the measuring and drawing of the entry
// list's rows to the list itself (CDictionaryListBox::MeasureItem and
// DrawItem).

#include <QStyledItemDelegate>

class CDictionaryListBox;

class CDictionaryListDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit CDictionaryListDelegate(CDictionaryListBox* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CDictionaryListBox* m_list;
};
