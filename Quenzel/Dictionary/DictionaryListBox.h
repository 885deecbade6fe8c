#pragma once
// CDictionaryListBox: the word editor's entry list: one row per entry of
// its CDictionaryEntryList, of variable height, with a grey label column
// naming the entry's kind and the entry's text, wrapped, beside it.
// Several rows may be selected.
//
// - Row height: the text's height, wrapped to the width right of the label,
//   plus 6 pixels, at least 30 pixels. A one-line entry is drawn centred.
// - Colours: label column grey (0x989898); the text part cyan (0xFFFF00)
//   when selected, else alternately the window and the button-face colour;
//   the text red when removed, blue when changed; a blue frame around the
//   focused row's text part.
// - A second click on the text part or the label of the row clicked last,
//   or F2, edits the row's text in place (edit mode 1); the edit ends when
//   it loses the focus, and the entry takes the text when its kind has no
//   other entry of that text.
// - Typing a character selects the first entry whose text starts with it,
//   case ignored.

#include <QListWidget>

#include <vector>

#include "Pendrel/Platform/KVXWnd.h"
#include "Quenzel/Dictionary/Model/DictionaryEntryList.h"
#include "compat/WinUser.h"

class CBasicListCtrlEdit;

class COptions;

class CDictionaryListBox : public CKVXWnd<QListWidget> {
    Q_OBJECT

public:
    explicit CDictionaryListBox(QWidget* parent = nullptr);
    ~CDictionaryListBox() override;
    Q_DISABLE_COPY_MOVE(CDictionaryListBox)

    // Takes the entry font from the normal font of settings (may be null).
    void Init(const COptions* settings);
    CDictionaryEntryList& Entries() { return m_entries; }

    // The entry list's operations, with the rows following them; the
    // adding operations give the new row or -1. The first row added is
    // selected.
    int AddDictionary(CDictionaryDataItem* dictionary);
    int AddMeaning(const MeaningRecord& record);
    int AddSynonym(const RelationRecord& record);
    int AddAntonym(const RelationRecord& record);
    int AddAcronym(const AcronymRecord& record);
    int SetItemFlags(DWORD mask, int on, int index);
    void GetRemovedIds(int kind, std::vector<int64_t>& ids) const { m_entries.GetRemovedIds(kind, ids); }
    // Removes the selected rows (the current row when none is selected).
    void RemoveSelected();
    void Clear();
    void SetMeaningType(int typeId);
    void DeleteAll();
    // Makes the rows match the entries after the entry list changed
    // directly.
    void SyncRows();

    // The selected rows, or the current row when none is selected.
    std::vector<int> GetSelectedIndexes() const;
    int GetEditMode() const { return m_editMode; }
    void SetEditMode(int mode) { m_editMode = mode; }
    // Starts the in-place edit of the row (edit mode 1 only); FALSE when it
    // cannot start.
    BOOL EditItem(int index);
    // Ends a running in-place edit as if it lost the focus.
    void EndEdit();
    CBasicListCtrlEdit* GetEditor() const { return m_editor; }
    // Ends an in-place edit with the text (null: cancelled).
    void OnEndLabelEdit(int index, const wchar_t* text);

    // The row's height in pixels, and its drawing.
    int MeasureItem(int index) const;
    void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected, bool focused) const;
    QFont GetEntryFont() const { return m_font; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int AddedRow(int index);
    void RemoveRows(const std::vector<int>& indexes);
    void Relayout();

    CDictionaryEntryList m_entries;
    QFont m_font;
    int m_clickedIndex = -1;
    int m_clickedPart = 1;
    CBasicListCtrlEdit* m_editor = nullptr;
    int m_editMode = 1;
};
