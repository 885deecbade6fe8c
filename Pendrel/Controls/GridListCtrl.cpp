#include "Pendrel/Controls/GridListCtrl.h"

#include <QStyle>

#include <algorithm>
#include <cwchar>

#include "Pendrel/Core/GridRowRules.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = "GridListCtrl";
constexpr int kLineDisplayNull = 96;
constexpr int kLineClearMissing = 151;
constexpr int kLineDestroyMissing = 180;

} // namespace

CGridListCtrl::CGridListCtrl(QWidget* owner) : CBasicListCtrl(eReport), m_owner(owner) {}

CGridListCtrl::~CGridListCtrl() {
    FreeRecords();
}

void CGridListCtrl::FreeRecords() {
    for (int row = 0; row < GetItemCount(); ++row) {
        auto* record = static_cast<CGridListCtrl_Data*>(GetItem(row));
        ReportAssertion(record != nullptr, kSourceFile, kLineDestroyMissing);
        delete record;
    }
    DeleteListItems(TRUE);
}

void CGridListCtrl::SetGridSize(int columns, int rows) {
    m_columnCount = columns;
    m_rowCount = rows;
}

CGridListCtrl_Data* CGridListCtrl::GetCtrlItem(int row) const {
    return static_cast<CGridListCtrl_Data*>(GetItem(row));
}

BOOL CGridListCtrl::SetText(const wchar_t* secondText, const wchar_t* text, ULONGLONG value, int row) {
    const int count = GetItemCount();
    const CGridListCtrl_Data* last = count > 0 ? GetCtrlItem(count - 1) : nullptr;
    const KVXGridSetTextSteps steps =
        KVXGridPlanSetText(row, count, !last || last->m_text.IsEmpty(), !text || !*text);
    CGridListCtrl_Data* record = steps.replaceRow ? GetCtrlItem(row) : new CGridListCtrl_Data;
    if (!record) record = new CGridListCtrl_Data;
    record->m_value = value;
    record->m_text = text ? CBasicString(text) : CBasicString();
    record->m_secondText = secondText ? CBasicString(secondText) : CBasicString();
    if (steps.replaceRow)
        SetItem(row, record);  // shows the new text
    else
        AddItem(record);
    if (steps.appendEmptyRow) AddItem(new CGridListCtrl_Data);
    return TRUE;
}

void CGridListCtrl::ClearControl() {
    for (int row = 0; row < GetItemCount(); ++row) {
        auto* record = GetCtrlItem(row);
        ReportAssertion(record != nullptr, kSourceFile, kLineClearMissing);
        delete record;
    }
    DeleteListItems(TRUE);
    SetText(L"", nullptr, 0, 0);
}

int CGridListCtrl::SortEntries(void* data1, void* data2) {
    return KVXGridCompareCells(static_cast<const CGridListCtrl_Data*>(data1),
                               static_cast<const CGridListCtrl_Data*>(data2), m_sortColumn, m_sortAscending != 0);
}

void CGridListCtrl::InitializeSystemImageList() {}

void CGridListCtrl::UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) {
    const auto* record = static_cast<const CGridListCtrl_Data*>(data);
    ReportAssertion(record != nullptr && item != nullptr, kSourceFile, kLineDisplayNull);
    if (!record || !item) return;
    if (!(item->mask & LVIF_TEXT) || item->iSubItem != 0 || !item->pszText || item->cchTextMax <= 0) return;
    std::wcsncpy(item->pszText, record->m_text.GetString(), static_cast<size_t>(item->cchTextMax - 1));
    item->pszText[item->cchTextMax - 1] = L'\0';
}

BOOL CGridListCtrl::AfterCreatingListCtrl() {
    if (GetDisplayType() != eReport || m_columnCount < 1) return TRUE;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // A narrow grid gets empty columns rather than negative widths.
    const int width = std::max(0, contentsRect().width() / m_columnCount - 2 * scrollBar);
    for (int i = 0; i < m_columnCount; ++i) {
        CBasicString title;
        title.Format(L"%d", i);
        AddColumn(0, title.GetString(), width, LVCFMT_LEFT);
    }
    return TRUE;
}

BOOL CGridListCtrl::EnableEdit(int, int) {
    return TRUE;
}

BOOL CGridListCtrl::IsDrawFocusRect() {
    return TRUE;
}

void CGridListCtrl::ItemEdited(int row, int, const wchar_t* text) {
    // Whichever column was edited, the row's one text takes the edit.
    const CGridListCtrl_Data* record = GetCtrlItem(row);
    if (!record) return;
    const CBasicString secondText = record->m_secondText;
    const ULONGLONG value = record->m_value;
    SetText(secondText.GetString(), text, value, row);
}

COLORREF CGridListCtrl::GetSelTextColor(int row, int column, BOOL hasFocus) {
    return CBasicListCtrl::GetSelTextColor(row, column, hasFocus);
}

COLORREF CGridListCtrl::GetSelBkColor(int row, int column, BOOL hasFocus) {
    return CBasicListCtrl::GetSelBkColor(row, column, hasFocus);
}
