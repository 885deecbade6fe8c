#pragma once
// CVocabularyListCtrl: the tutor page's list of vocabulary lists. Each row
// is a VocabularyListRecord that the owner keeps; the control shows the
// flags of both languages, the name and the word count.

#include "DataBase/DataBaseRecords.h"
#include "Pendrel/Controls/BasicListCtrl.h"

class CFlagCache;

class CVocabularyListCtrl : public CBasicListCtrl {
    Q_OBJECT

public:
    // flags: the languages' flags drawn beside them (not owned; may be null).
    explicit CVocabularyListCtrl(const CFlagCache* flags, QWidget* parent = nullptr);

    // Column 0 and 1 the language ids, 2 the name, 3 the word count;
    // descending reverses. For the sort and for tests.
    static int CompareRecords(const VocabularyListRecord& a, const VocabularyListRecord& b, int column,
                              bool ascending);
    // The text shown in a cell.
    static CBasicString CellText(const VocabularyListRecord& record, int column);

    int SortEntries(void* data1, void* data2) override;
    void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) override;
    BOOL AfterCreatingListCtrl() override;
    void DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text, const LVCOLUMNW& columnInfo,
                        BOOL selected, CKVXRect cell, int margin) override;
    void DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                         UINT format) override;

private:
    // The flag of the row's language of the column (0 from, 1 to), when the
    // cache has it.
    void DrawFlag(QPainter* painter, int row, int column, const CKVXRect& cell);

    const CFlagCache* m_flags;
};
