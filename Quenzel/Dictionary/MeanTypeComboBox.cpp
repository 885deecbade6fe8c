#include "Quenzel/Dictionary/MeanTypeComboBox.h"

#include "Quenzel/Dictionary/ComboEntryDelegate.h"
#include "Quenzel/Dictionary/MeanTypes.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\EditDictionaryDlg";
constexpr int kMaxText = 260;

} // namespace

CMeanTypeComboBox::CMeanTypeComboBox(QWidget* parent) : CKVXWnd<QComboBox>(parent) {
    setItemDelegate(new CComboEntryDelegate(this));
}

CMeanTypeComboBox::~CMeanTypeComboBox() = default;

int CMeanTypeComboBox::InsertType(int index, const MeanTypeRecord& type) {
    if (index < 0 || index > count()) return -1;
    insertItem(index, QString::fromStdWString(CMeanTypes::EntryText(type).GetString()));
    m_types.insert(m_types.begin() + index, std::make_unique<MeanTypeRecord>(type));
    return index;
}

CBasicString CMeanTypeComboBox::GetItemText(int index) const {
    if (index < 0 || index >= count()) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return CBasicString();
    }
    return CBasicString(itemText(index).left(kMaxText - 1).toStdWString().c_str());
}

void CMeanTypeComboBox::SetItemText(int index, const CBasicString& text) {
    if (index < 0 || index >= count()) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    setItemText(index, QString::fromWCharArray(text.GetString()));
}

MeanTypeRecord* CMeanTypeComboBox::GetType(int index) const {
    return index >= 0 && index < static_cast<int>(m_types.size()) ? m_types[static_cast<size_t>(index)].get()
                                                                    : nullptr;
}

int CMeanTypeComboBox::FindType(int typeId) const {
    for (size_t i = 0; i < m_types.size(); ++i)
        if (m_types[i]->id == typeId) return static_cast<int>(i);
    return -1;
}

int CMeanTypeComboBox::GetCurrentTypeId() const {
    const MeanTypeRecord* type = GetType(currentIndex());
    return type ? type->id : 0;
}

void CMeanTypeComboBox::RemoveAll() {
    clear();
    m_types.clear();
}
