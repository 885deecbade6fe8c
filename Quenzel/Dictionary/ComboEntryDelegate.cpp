#include "Quenzel/Dictionary/ComboEntryDelegate.h"

#include <QComboBox>
#include <QImage>
#include <QPainter>

#include <algorithm>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"

namespace {

constexpr int kIconSize = 16;

} // namespace

CComboEntryDelegate::CComboEntryDelegate(QComboBox* combo, IconLookup icon)
    : QStyledItemDelegate(combo), m_combo(combo), m_icon(std::move(icon)) {}

void CComboEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= m_combo->count()) return;
    int text = COLOR_WINDOWTEXT;
    int background = COLOR_WINDOW;
    if (!m_combo->isEnabled()) {
        text = COLOR_INACTIVECAPTIONTEXT;
        background = COLOR_GRAYTEXT;
    } else if (option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) {
        text = COLOR_HIGHLIGHTTEXT;
        background = COLOR_HIGHLIGHT;
    }
    painter->save();
    painter->fillRect(option.rect, KVXToQColor(GetSysColor(background)));
    QRect area = option.rect.adjusted(4, 0, 0, 0);
    const QImage* icon = m_icon ? m_icon(m_combo->itemData(index.row()).toInt()) : nullptr;
    if (icon && !icon->isNull()) {
        const int top = option.rect.height() >= kIconSize ? option.rect.top() + (option.rect.height() - kIconSize) / 2
                                                           : option.rect.top();
        painter->drawImage(QRect(area.left(), top, kIconSize, kIconSize), *icon);
        area.setLeft(area.left() + kIconSize + 4);
    }
    painter->setFont(m_combo->font());
    painter->setPen(KVXToQColor(GetSysColor(text)));
    const std::wstring value = m_combo->itemText(index.row()).toStdWString();
    RECT rect = CKVXRect(area);
    DrawText(*painter, value.c_str(), -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (option.state & QStyle::State_HasFocus) {
        QPen pen(KVXToQColor(GetSysColor(text)), 1, Qt::DotLine);
        painter->setPen(pen);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize CComboEntryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), kIconSize + 4));
    return size;
}
