#include "Quenzel/Shell/PluginListCtrl.h"

#include <cwchar>

#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/OptionsPage.h"

namespace {

struct Column {
    UINT title;
    int width;
};
const Column kColumns[] = {{31376, 350}, {31377, 90}};
constexpr int kEnabledColumn = 1;

} // namespace

CPluginListCtrl::CPluginListCtrl(QObject* ownerPage, QWidget* parent)
    : CCheckColumnListCtrl(parent), m_ownerPage(ownerPage) {}

CPluginListCtrl::~CPluginListCtrl() { DeleteListItems(TRUE); }

void CPluginListCtrl::AddEntry(const PluginEntry& entry) {
    m_entries.push_back(std::make_unique<PluginEntry>(entry));
    AddItem(m_entries.back().get());
}

std::vector<PluginEntry> CPluginListCtrl::GetEntries() const {
    std::vector<PluginEntry> entries;
    for (int row = 0; row < GetItemCount(); ++row)
        if (const auto* entry = static_cast<const PluginEntry*>(GetItem(row))) entries.push_back(*entry);
    return entries;
}

BOOL CPluginListCtrl::AfterCreatingListCtrl() {
    int index = 0;
    for (const Column& column : kColumns)
        AddColumn(index++, QuenzelString(column.title).GetString(), column.width, LVCFMT_LEFT);
    SetFullRowSel(TRUE);
    return TRUE;
}

void CPluginListCtrl::UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) {
    if (!data || !item || !(item->mask & LVIF_TEXT) || !item->pszText || item->cchTextMax <= 0) return;
    // Only the file name is text; the enabled column draws its check box.
    const CBasicString& text = item->iSubItem == 0 ? static_cast<const PluginEntry*>(data)->fileName : CBasicString();
    wcsncpy(item->pszText, text.GetString(), static_cast<size_t>(item->cchTextMax - 1));
    item->pszText[item->cchTextMax - 1] = L'\0';
}

void CPluginListCtrl::ItemClicked(int row) {
    auto* entry = static_cast<PluginEntry*>(GetItem(row));
    if (!entry) return;
    entry->enabled = entry->enabled ? 0 : 1;
    RedrawItems(row, row);
    if (m_ownerPage) SendMessage(m_ownerPage, WM_QUENZEL_PAGE_MODIFIED, 0, 1);
}

void CPluginListCtrl::DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text,
                                     const LVCOLUMNW& columnInfo, BOOL selected, CKVXRect cell, int margin) {
    const auto* entry = static_cast<const PluginEntry*>(GetItem(row));
    if (column == kEnabledColumn && entry)
        DrawCheckCell(painter, row, column, text, columnInfo, selected, cell, margin, entry->enabled != 0);
    else
        CCheckColumnListCtrl::DrawColumnData(painter, row, column, text, columnInfo, selected, cell, margin);
}
