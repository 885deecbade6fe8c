#include "Quenzel/Shell/LanguageListCtrl.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <cwchar>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/LanguageListModel.h"
#include "Quenzel/Shell/OptionsPage.h"
#include "utility/UnicodeCase.h"

namespace {

constexpr UINT kColumnTitles[] = {31147, 31178, 31371};
constexpr UINT kYes = 31179;
constexpr UINT kNo = 31180;
constexpr int kFlagIndent = 2;
constexpr int kNameIndent = 20;

CBasicString CellText(const GridRow& row, int column) {
    switch (column) {
    case CLanguageListModel::ColumnName: return row.third.m_text;
    case CLanguageListModel::ColumnRightToLeft:
        return QuenzelString((row.flags & GRIDROW_RIGHT_TO_LEFT) ? kYes : kNo);
    case CLanguageListModel::ColumnCode: return row.fourth.m_text;
    default: return CBasicString();
    }
}

} // namespace

CLanguageListCtrl::CLanguageListCtrl(QObject* ownerPage, CLanguageListModel* model, QWidget* parent)
    : CCheckColumnListCtrl(parent), m_ownerPage(ownerPage), m_model(model) {}

BOOL CLanguageListCtrl::AfterCreatingListCtrl() {
    // Each column a third of the client width, less two scroll-bar widths.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int columnWidth = std::max(40, (width() - 2 * frameWidth() - 2 * scrollBar) / 3);
    int index = 0;
    for (UINT title : kColumnTitles) AddColumn(index++, QuenzelString(title).GetString(), columnWidth, LVCFMT_LEFT);
    SetFullRowSel(TRUE);
    ModifyStyle(LVS_SINGLESEL, LVS_EDITLABELS | LVS_SHOWSELALWAYS);
    Reload();
    return TRUE;
}

void CLanguageListCtrl::Reload() {
    DeleteListItems(TRUE);
    if (!m_model) return;
    for (int i = 0; i < m_model->GetCount(); ++i) AddItem(m_model->GetRow(i));
}

bool CLanguageListCtrl::SetImage(int row, const wchar_t* path, const QImage& image) {
    auto* data = static_cast<GridRow*>(GetItem(row));
    if (!data || !m_model || !m_model->SetPicture(*data, path, image)) return false;
    RedrawItems(row, row);
    NotifyModified(1);
    return true;
}

int CLanguageListCtrl::SortEntries(void* data1, void* data2) {
    if (!data1 || !data2 || m_sortColumn != CLanguageListModel::ColumnName) return 0;
    const int order = CompareTextNoCase(static_cast<const GridRow*>(data1)->third.m_text.GetString(),
                                        static_cast<const GridRow*>(data2)->third.m_text.GetString());
    return m_sortAscending ? order : -order;
}

void CLanguageListCtrl::UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) {
    if (!data || !item || !(item->mask & LVIF_TEXT) || !item->pszText || item->cchTextMax <= 0) return;
    const CBasicString text = CellText(*static_cast<const GridRow*>(data), item->iSubItem);
    wcsncpy(item->pszText, text.GetString(), static_cast<size_t>(item->cchTextMax - 1));
    item->pszText[item->cchTextMax - 1] = L'\0';
}

BOOL CLanguageListCtrl::EnableEdit(int, int column) {
    return column == CLanguageListModel::ColumnName || column == CLanguageListModel::ColumnCode;
}

void CLanguageListCtrl::ItemEdited(int row, int column, const wchar_t* text) {
    auto* data = static_cast<GridRow*>(GetItem(row));
    if (!data || !m_model || !EnableEdit(row, column)) return;
    const bool changed = m_model->SetText(*data, column, text);
    RedrawItems(row, row);
    if (changed) NotifyModified(1);
}

void CLanguageListCtrl::ItemClicked(int row) {
    auto* data = static_cast<GridRow*>(GetItem(row));
    if (!data || !m_model || GetPressedColumn() != CLanguageListModel::ColumnRightToLeft) return;
    m_model->ToggleRightToLeft(*data);
    RedrawItems(row, row);
    NotifyModified(1);
}

void CLanguageListCtrl::DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text,
                                       const LVCOLUMNW& columnInfo, BOOL selected, CKVXRect cell, int margin) {
    const auto* data = static_cast<const GridRow*>(GetItem(row));
    if (data && column == CLanguageListModel::ColumnRightToLeft) {
        DrawCheckCell(painter, row, column, text, columnInfo, selected, cell, margin,
                      (data->flags & GRIDROW_RIGHT_TO_LEFT) != 0);
        return;
    }
    CCheckColumnListCtrl::DrawColumnData(painter, row, column, text, columnInfo, selected, cell, margin);
}

void CLanguageListCtrl::DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                                        UINT format) {
    // The base draws the row's background and gives the label rectangle;
    // the flag and the name follow here.
    LVITEMW withoutText = item;
    withoutText.pszText = nullptr;
    CCheckColumnListCtrl::DrawFirstColumn(painter, row, rect, withoutText, margin, format);
    const auto* data = static_cast<const GridRow*>(GetItem(row));
    const int flagLeft = rect.left + margin + kFlagIndent;
    if (data && m_model)
        if (const QImage* flag = m_model->FindFlag(static_cast<int>(data->third.m_value)))
            painter->drawImage(QPoint(flagLeft, rect.top + (rect.Height() - flag->height()) / 2), *flag);
    CKVXRect textRect = rect;
    textRect.left = flagLeft + kNameIndent;
    textRect.right -= margin;
    if (item.pszText && textRect.right > textRect.left)
        DrawText(*painter, item.pszText, -1, &textRect, format | DT_SINGLELINE | DT_VCENTER);
}

void CLanguageListCtrl::NotifyModified(int modified) {
    if (m_ownerPage) SendMessage(m_ownerPage, WM_QUENZEL_PAGE_MODIFIED, 0, modified);
}
