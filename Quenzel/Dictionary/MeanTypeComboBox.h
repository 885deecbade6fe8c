#pragma once
// CMeanTypeComboBox: the word editor's meaning types, one entry per type
// with the text "name (value)"; each entry keeps a copy of its type.

#include <QComboBox>

#include <memory>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "utility/BasicString.h"

class CMeanTypeComboBox : public CKVXWnd<QComboBox> {
    Q_OBJECT

public:
    explicit CMeanTypeComboBox(QWidget* parent = nullptr);
    ~CMeanTypeComboBox() override;
    Q_DISABLE_COPY_MOVE(CMeanTypeComboBox)

    // Inserts the type's entry at the index; the index, or -1 for an index
    // out of range.
    int InsertType(int index, const MeanTypeRecord& type);
    // The entry's text; an index out of range fails a check and gives the
    // empty text.
    CBasicString GetItemText(int index) const;
    // A bad index fails a check.
    void SetItemText(int index, const CBasicString& text);
    // The entry's type; null for an index out of range.
    MeanTypeRecord* GetType(int index) const;
    // The entry of the type id; -1 when none.
    int FindType(int typeId) const;
    // The id of the current entry's type; 0 when none.
    int GetCurrentTypeId() const;
    // Removes every entry with its type.
    void RemoveAll();

private:
    std::vector<std::unique_ptr<MeanTypeRecord>> m_types;
};
