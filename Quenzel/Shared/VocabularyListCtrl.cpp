#include "Quenzel/Shared/VocabularyListCtrl.h"

#include <QHeaderView>
#include <QPainter>

#include <cwchar>

#include "Pendrel/Controls/BasicListCtrlHdr.h"
#include "Quenzel/App/FlagCache.h"
#include "Quenzel/App/QuenzelApp.h"
#include "utility/UnicodeCase.h"

namespace {

struct Column {
    UINT title;
    int width;
};
const Column kColumns[] = {{31088, 50}, {31081, 50}, {31082, 400}, {31157, 80}};

int Compare(int a, int b) { return a < b ? -1 : a > b ? 1 : 0; }

} // namespace

CVocabularyListCtrl::CVocabularyListCtrl(const CFlagCache* flags, QWidget* parent)
    : CBasicListCtrl(eReport, parent), m_flags(flags) {}

int CVocabularyListCtrl::CompareRecords(const VocabularyListRecord& a, const VocabularyListRecord& b, int column,
                                        bool ascending) {
    int order = 0;
    switch (column) {
    case 0: order = Compare(a.fromLanguage, b.fromLanguage); break;
    case 1: order = Compare(a.toLanguage, b.toLanguage); break;
    case 2: order = CompareTextNoCase(a.name.GetString(), b.name.GetString()); break;
    case 3: order = Compare(a.wordCount, b.wordCount); break;
    default: break;
    }
    return ascending ? order : -order;
}

CBasicString CVocabularyListCtrl::CellText(const VocabularyListRecord& record, int column) {
    CBasicString text;
    switch (column) {
    case 0: text.Format(L"%d", record.fromLanguage); break;
    case 1: text.Format(L"%d", record.toLanguage); break;
    case 2: text = record.name; break;
    case 3: text.Format(L"%d", record.wordCount); break;
    default: break;
    }
    return text;
}

int CVocabularyListCtrl::SortEntries(void* data1, void* data2) {
    if (!data1 || !data2) return 0;
    return CompareRecords(*static_cast<const VocabularyListRecord*>(data1),
                          *static_cast<const VocabularyListRecord*>(data2), m_sortColumn, m_sortAscending != 0);
}

void CVocabularyListCtrl::UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) {
    if (!data || !item || !(item->mask & LVIF_TEXT) || !item->pszText || item->cchTextMax <= 0) return;
    const CBasicString text = CellText(*static_cast<const VocabularyListRecord*>(data), item->iSubItem);
    wcsncpy(item->pszText, text.GetString(), static_cast<size_t>(item->cchTextMax - 1));
    item->pszText[item->cchTextMax - 1] = L'\0';
}

BOOL CVocabularyListCtrl::AfterCreatingListCtrl() {
    int index = 0;
    for (const Column& column : kColumns)
        AddColumn(index++, QuenzelString(column.title).GetString(), column.width, LVCFMT_LEFT);
    // The last column reaches the right edge, so header and rows end there.
    if (QHeaderView* header = GetHeaderCtrl()) header->setStretchLastSection(true);
    return TRUE;
}

void CVocabularyListCtrl::DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text,
                                         const LVCOLUMNW& columnInfo, BOOL selected, CKVXRect cell, int margin) {
    if (column > 1) {
        CBasicListCtrl::DrawColumnData(painter, row, column, text, columnInfo, selected, cell, margin);
        return;
    }
    // The language columns show the flags instead of the ids.
    CBasicListCtrl::DrawColumnData(painter, row, column, L"", columnInfo, selected, cell, margin);
    DrawFlag(painter, row, column, cell);
}

void CVocabularyListCtrl::DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                                          UINT format) {
    LVITEMW withoutText = item;
    withoutText.pszText = nullptr;
    CBasicListCtrl::DrawFirstColumn(painter, row, rect, withoutText, margin, format);
    DrawFlag(painter, row, 0, rect);
}

void CVocabularyListCtrl::DrawFlag(QPainter* painter, int row, int column, const CKVXRect& cell) {
    const auto* record = static_cast<const VocabularyListRecord*>(GetItem(row));
    if (!record || !m_flags) return;
    if (const QImage* flag = m_flags->Find(column == 0 ? record->fromLanguage : record->toLanguage))
        painter->drawImage(QPoint(cell.left + 2, cell.top + 2), *flag);
}
