#include "Quenzel/Dictionary/RelationComboBox.h"

#include "Quenzel/Dictionary/ComboEntryDelegate.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\EditDictionaryDlg";
constexpr int kMaxText = 260;

} // namespace

CRelationComboBox::CRelationComboBox(QWidget* parent) : CKVXWnd<QComboBox>(parent) {
    setItemDelegate(new CComboEntryDelegate(this, [this](int itemData) { return FindIcon(itemData); }));
}

int CRelationComboBox::InsertItem(int index, const wchar_t* text, int itemData) {
    if (!text || index < 0 || index > count()) return -1;
    insertItem(index, QString::fromWCharArray(text), itemData);
    return index;
}

CBasicString CRelationComboBox::GetItemText(int index) const {
    if (index < 0 || index >= count()) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return CBasicString();
    }
    return CBasicString(itemText(index).left(kMaxText - 1).toStdWString().c_str());
}

int CRelationComboBox::GetCurrentData() const {
    return currentIndex() >= 0 ? itemData(currentIndex()).toInt() : 0;
}

const QImage* CRelationComboBox::FindIcon(int itemData) const {
    auto found = m_icons.find(itemData);
    return found == m_icons.end() ? nullptr : &found->second;
}
