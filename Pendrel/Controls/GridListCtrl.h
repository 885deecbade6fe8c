#pragma once
// CGridListCtrl: an editable list of text cells. Each row is a
// CGridListCtrl_Data record that the grid allocates and frees. Every cell
// can be edited in place (the list needs LVS_EDITLABELS); an edit replaces
// the row's text, whichever column was edited. The grid always ends with
// one row whose text is empty, so typing into it adds the next row; that
// row stays last when the grid is sorted.

#include "Pendrel/Controls/BasicListCtrl.h"
#include "Pendrel/Core/GridListCtrl_Data.h"
#include "Pendrel/PendrelApi.h"

class PENDREL_API CGridListCtrl : public CBasicListCtrl {
    Q_OBJECT

public:
    // owner is kept, not used as the Qt parent.
    explicit CGridListCtrl(QWidget* owner = nullptr);
    ~CGridListCtrl() override;

    // The column count used when the columns are made (before creation);
    // the row count is only stored.
    void SetGridSize(int columns, int rows);
    // Null for a row outside 0 ... count - 1.
    CGridListCtrl_Data* GetCtrlItem(int row) const;
    // Replaces the row's record, or appends a row when row names none; then
    // makes sure an empty row comes last. Always TRUE.
    BOOL SetText(const wchar_t* secondText, const wchar_t* text, ULONGLONG value, int row);
    // Frees every row and leaves one empty row.
    void ClearControl();
    QWidget* GetOwner() const { return m_owner; }

    int SortEntries(void* data1, void* data2) override;
    void InitializeSystemImageList() override;
    void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) override;
    BOOL AfterCreatingListCtrl() override;
    BOOL EnableEdit(int row, int column) override;
    BOOL IsDrawFocusRect() override;
    void ItemEdited(int row, int column, const wchar_t* text) override;
    COLORREF GetSelTextColor(int row, int column, BOOL hasFocus) override;
    COLORREF GetSelBkColor(int row, int column, BOOL hasFocus) override;

private:
    void FreeRecords();

    QWidget* m_owner;
    int m_columnCount = 1;
    int m_rowCount = 1;
};
