#include "Quenzel/Shared/LanguageComboBox.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

CLanguageComboBox::CLanguageComboBox(QWidget* parent) : CKVXWnd<QComboBox>(parent) {
    setIconSize(QSize(16, 16));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

int CLanguageComboBox::InsertItem(int index, const wchar_t* text, int itemData) {
    if (!text || index < 0 || index > count()) return -1;
    QIcon icon;
    if (m_cache) {
        auto found = m_cache->find(itemData);
        if (found != m_cache->end()) {
            icon = QIcon(QPixmap::fromImage(found->second));
            const QSize size = found->second.size();
            if (size.height() > iconSize().height() || size.width() > iconSize().width())
                setIconSize(size.boundedTo(QSize(32, 24)).expandedTo(iconSize()));
        }
    }
    insertItem(index, icon, QString::fromWCharArray(text), itemData);
    return index;
}

CBasicString CLanguageComboBox::GetItemText(int index) const {
    if (index < 0 || index >= count()) return CBasicString();
    return CBasicString(itemText(index).left(259).toStdWString().c_str());
}

int CLanguageComboBox::GetItemData(int index) const {
    if (index < 0 || index >= count()) return 0;
    return itemData(index).toInt();
}

int CLanguageComboBox::SelectName(const wchar_t* name) {
    const QString wanted = QString::fromWCharArray(name ? name : L"");
    int index = 0;
    for (int i = 0; i < count(); ++i) {
        if (itemText(i) == wanted) {
            index = i;
            break;
        }
    }
    if (count() > 0) setCurrentIndex(index);
    return count() > 0 ? index : -1;
}
