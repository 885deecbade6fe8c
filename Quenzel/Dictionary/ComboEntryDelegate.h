#pragma once
// CComboEntryDelegate: draws the entries of the word editor's type and
// relation combo boxes: window text on the window colour, highlight text on
// the highlight colour when selected, and the inactive-caption text on the
// grey-text colour while the combo box is disabled; the text single-line,
// vertically centred, 4 pixels in, after a 16 x 16 icon when the combo box
// has one for the entry.

#include <QStyledItemDelegate>

#include <functional>

class QComboBox;
class QImage;

class CComboEntryDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // icon: the picture of an entry's data, or null (may be empty).
    using IconLookup = std::function<const QImage*(int itemData)>;
    CComboEntryDelegate(QComboBox* combo, IconLookup icon = {});

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QComboBox* m_combo;
    IconLookup m_icon;
};
