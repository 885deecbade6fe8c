#pragma once
// CLanguageComboBox: a language per item, its name as text and its id as
// item data, drawn with the language's flag from the application's image
// cache.

#include <QComboBox>

#include <map>

#include "Pendrel/Platform/KVXWnd.h"
#include "utility/BasicString.h"

class QImage;

class CLanguageComboBox : public CKVXWnd<QComboBox> {
    Q_OBJECT

public:
    explicit CLanguageComboBox(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CLanguageComboBox)

    // The flags the items show (not owned; may be null).
    void SetImageCache(const std::map<int, QImage>* cache) { m_cache = cache; }
    // The index of the new item, or -1.
    int InsertItem(int index, const wchar_t* text, int itemData);
    // The item's text; empty for an index out of range.
    CBasicString GetItemText(int index) const;
    int GetItemData(int index) const;
    // Selects the item whose text equals name exactly, else item 0; the
    // index selected.
    int SelectName(const wchar_t* name);

private:
    const std::map<int, QImage>* m_cache = nullptr;
};
