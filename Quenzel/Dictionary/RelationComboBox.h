#pragma once
// CRelationComboBox: the kinds of entries the word editor adds (meaning,
// synonym, antonym, acronym), each with its caption's string id as entry
// data. An entry may show an icon registered for its data.

#include <QComboBox>
#include <QImage>

#include <map>

#include "Pendrel/Platform/KVXWnd.h"
#include "utility/BasicString.h"

class CRelationComboBox : public CKVXWnd<QComboBox> {
    Q_OBJECT

public:
    explicit CRelationComboBox(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CRelationComboBox)

    // Inserts the text with the entry data; the index, or -1.
    int InsertItem(int index, const wchar_t* text, int itemData);
    // The entry's text; an index out of range fails a check and gives the
    // empty text.
    CBasicString GetItemText(int index) const;
    // The entry data of the current entry; 0 when none.
    int GetCurrentData() const;
    // The icon drawn for the entries with the data.
    void SetIcon(int itemData, const QImage& icon) { m_icons[itemData] = icon; }
    int GetIconSize() const { return m_iconSize; }

private:
    const QImage* FindIcon(int itemData) const;

    int m_iconSize = 16;
    std::map<int, QImage> m_icons;
};
