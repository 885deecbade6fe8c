#include "Quenzel/Shell/WordListCtrl.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <iterator>

#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/LanguageListModel.h"
#include "utility/ErrorReport.h"
#include "utility/StringTableRegistration.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\WordListCtrl";
constexpr int kLineNoRow = 319;
constexpr int kLineNoSelection = 742;
constexpr UINT kNotAPicture = 31159;
constexpr COLORREF kMarkingSelection = 0xFFFF80;
constexpr COLORREF kBlack = 0;
constexpr int kPictureSize = 16;
constexpr int kTextMargin = 4;

const StringTableEntry kStrings[] = {
    {31061, L"Word"}, {31062, L"Mean"}, {31146, L"ID"}, {31158, L"Picture Path"}};
const CStringTableRegistration kStringsRegistration(kStrings);

const UINT kWordColumns[] = {31061, 31062};
const UINT kPictureColumns[] = {31146, 31147, 31158};

// The picture with its white pixels see-through, 16 x 16.
QImage ListPicture(const QImage& picture) {
    QImage image = picture.scaled(kPictureSize, kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) image.setPixel(x, y, 0);
    QImage square(kPictureSize, kPictureSize, QImage::Format_ARGB32);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage(QPoint((kPictureSize - image.width()) / 2, (kPictureSize - image.height()) / 2), image);
    return square;
}

} // namespace

CWordListCtrl::CWordListCtrl(QWidget* owner, const COptions* settings, QWidget* parent)
    : CBasicListCtrl(eReport, parent),
      m_owner(owner),
      m_settings(settings),
      m_oddColor(GetSysColor(COLOR_WINDOW)),
      m_evenColor(GetSysColor(COLOR_WINDOW)) {
    m_normalFont = m_leftFont = m_rightFont = font();
}

CWordListCtrl::~CWordListCtrl() {
    // The rows go with the control; the list forgets them first.
    DeleteListItems(TRUE);
}

void CWordListCtrl::SetRowColors(COLORREF odd, COLORREF even) {
    m_oddColor = odd;
    m_evenColor = even;
    viewport()->update();
}

void CWordListCtrl::RebuildFonts() {
    m_normalLog = m_leftLog = m_rightLog = KVXLogFontFromFont(font());
    if (const COptions* options = m_settings) {
        options->GetNormalFont(m_normalLog);
        options->GetLeftFont(m_leftLog);
        options->GetRightFont(m_rightLog);
    }
    auto make = [this](LOGFONTW& description) {
        if (description.lfFaceName[0] == L'\0') description = KVXLogFontFromFont(font());
        return KVXFontFromLogFont(description);
    };
    m_normalFont = make(m_normalLog);
    m_leftFont = make(m_leftLog);
    m_rightFont = make(m_rightLog);
    UpdateRowHeight();
    viewport()->update();
}

int CWordListCtrl::AddRow(const GridRow& row) {
    m_rows.push_back(std::make_unique<GridRow>(row));
    const int index = AddItem(m_rows.back().get());
    if (index < 0) m_rows.pop_back();
    return index;
}

GridRow* CWordListCtrl::GetRow(int row) const {
    auto* data = static_cast<GridRow*>(row >= 0 && row < GetItemCount() ? GetItem(row) : nullptr);
    ReportAssertion(data != nullptr, kSourceFile, kLineNoRow);
    return data;
}

void CWordListCtrl::DeleteAllRows() {
    DeleteListItems(TRUE);
    m_rows.clear();
}

void CWordListCtrl::SetCounters(int64_t total, int64_t known) {
    m_total = total;
    m_known = known;
    m_unknown = total - known;
}

CBasicString CWordListCtrl::CellText(const GridRow& row, int column, int mode) {
    CBasicString text;
    if (mode == WORDLIST_PICTURES) {
        switch (column) {
        case 0: text.Format(L"%I64d", static_cast<long long>(row.third.m_value)); break;
        case 1: text = row.third.m_text; break;
        case 2: text = row.secondText; break;
        default: break;
        }
        return text;
    }
    if (column == 0) text = row.word.m_text;
    if (column == 1) text = row.meaning.m_text;
    return text;
}

int CWordListCtrl::CompareRows(const GridRow& a, const GridRow& b, int column, bool ascending) {
    int order = 0;
    if (column == 0) order = CompareTextNoCase(a.word.m_text.GetString(), b.word.m_text.GetString());
    if (column == 1) order = CompareTextNoCase(a.meaning.m_text.GetString(), b.meaning.m_text.GetString());
    return ascending ? order : -order;
}

int CWordListCtrl::RowHeight(int mode, LONG normal, LONG left, LONG right) {
    switch (mode) {
    case WORDLIST_MARKING: return 2 * std::abs(std::min({normal, left, right})) + 8;
    case WORDLIST_PICTURES: return 3 * std::abs(normal) + 12;
    default: return 2 * std::abs(normal) + 8;
    }
}

int CWordListCtrl::MeasureRowHeight() const {
    const int height = RowHeight(m_mode, m_normalLog.lfHeight, m_leftLog.lfHeight, m_rightLog.lfHeight);
    // Before the fonts are made (a zero LOGFONT) the list's own measure.
    return m_normalLog.lfHeight == 0 || height <= 0 ? CBasicListCtrl::MeasureRowHeight() : height;
}

int CWordListCtrl::SortEntries(void* data1, void* data2) {
    if (!data1 || !data2) return 0;
    return CompareRows(*static_cast<const GridRow*>(data1), *static_cast<const GridRow*>(data2), m_sortColumn,
                       m_sortAscending != 0);
}

void CWordListCtrl::UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) {
    if (!data || !item) return;
    const auto* row = static_cast<const GridRow*>(data);
    if ((item->mask & LVIF_IMAGE) && m_mode == WORDLIST_PICTURES) item->iImage = row->imageIndex;
    if (!(item->mask & LVIF_TEXT) || !item->pszText || item->cchTextMax <= 0) return;
    const CBasicString text = CellText(*row, item->iSubItem, m_mode);
    wcsncpy(item->pszText, text.GetString(), static_cast<size_t>(item->cchTextMax - 1));
    item->pszText[item->cchTextMax - 1] = L'\0';
}

BOOL CWordListCtrl::AfterCreatingListCtrl() {
    const int width = std::max(1, (viewport()->width() - verticalScrollBar()->sizeHint().width()) / 3);
    const UINT* titles = m_mode == WORDLIST_PICTURES ? kPictureColumns : kWordColumns;
    const size_t count = m_mode == WORDLIST_PICTURES ? std::size(kPictureColumns) : std::size(kWordColumns);
    for (size_t i = 0; i < count; ++i)
        AddColumn(static_cast<int>(i), QuenzelString(titles[i]).GetString(), width, LVCFMT_LEFT);
    if (m_mode == WORDLIST_PICTURES && m_pictures.GetSafeHandle() == nullptr) {
        m_pictures.Create(kPictureSize, kPictureSize, ILC_COLOR32 | ILC_MASK, 0, 1);
        SetImageList(m_pictures.GetSafeHandle(), LVSIL_SMALL);
    }
    SetExtendedStyle(GetExtendedStyle() | LVS_EX_GRIDLINES);
    RebuildFonts();
    return TRUE;
}

BOOL CWordListCtrl::EnableEdit(int, int column) {
    return m_mode == WORDLIST_PICTURES ? (column == 1 || column == 2) : TRUE;
}

void CWordListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    m_releasePoint = event->position().toPoint();
    CBasicListCtrl::mouseReleaseEvent(event);
}

void CWordListCtrl::ItemClicked(int row) {
    if (m_mode != WORDLIST_MARKING) return;
    POINT point{m_releasePoint.x(), m_releasePoint.y()};
    int column = 0;
    if (HitTestEx(point, &column) != row) column = 0;
    ClickCell(row, column);
}

void CWordListCtrl::ClickCell(int row, int column) {
    if (m_mode != WORDLIST_MARKING) return;
    GridRow* clicked = GetRow(row);
    if (!clicked) return;
    if (column == 1 && clicked->IsMeaningHidden()) {
        clicked->SetMeaningHidden(false);
        RedrawItems(row, row);
        return;
    }
    Mark(!clicked->IsStatusA());
}

void CWordListCtrl::Mark(bool known) {
    const std::vector<int> selected = GetSelectedRows();
    ReportAssertion(!selected.empty(), kSourceFile, kLineNoSelection);
    int last = -1;
    for (int index : selected) {
        GridRow* row = GetRow(index);
        if (!row || (known ? row->IsStatusA() : row->IsStatusB())) continue;
        if (known) {
            ++m_known;
            row->SetStatusA();
        } else {
            if (row->IsStatusA() && m_known > 0) --m_known;
            row->SetStatusB();
        }
        m_unknown = m_total - m_known;
        row->statusChanged = 1;
        RedrawItems(index, index);
        last = index;
    }
    if (last >= 0 && m_owner) SendMessage(m_owner, WM_WORDLIST_MARKED, static_cast<WPARAM>(last), 0);
}

BOOL CWordListCtrl::SetPicture(GridRow& row, const CBasicString& path) {
    const QFileInfo file(KVXToQString(path.GetString()));
    if (!file.isFile() || !file.suffix().startsWith(QLatin1String("png"), Qt::CaseInsensitive)) return FALSE;
    const QImage picture = CLanguageListModel::LoadFlagFile(path.GetString());
    if (picture.isNull()) return FALSE;
    if (!m_pictures.GetSafeHandle()) return FALSE;
    const int index = m_pictures.Add(ListPicture(picture));
    if (index < 0) return FALSE;
    row.imageIndex = index;
    row.secondText = path;
    return TRUE;
}

void CWordListCtrl::ItemEdited(int row, int column, const wchar_t* text) {
    GridRow* edited = GetRow(row);
    if (!edited || !text) return;
    LPARAM differs = 0;
    if (m_mode == WORDLIST_PICTURES) {
        if (column == 1) {
            edited->third.m_text = text;
            differs = CompareTextNoCase(edited->third.m_text.GetString(), edited->third.m_secondText.GetString()) != 0;
        } else if (column == 2) {
            const CBasicString path(text);
            if (!SetPicture(*edited, path)) {
                if (!path.IsEmpty()) QuenzelMessageBox(this, QuenzelString(kNotAPicture).GetString(), MB_ICONINFORMATION);
                return;
            }
            differs = 1;
        } else {
            return;
        }
    } else {
        CGridListCtrl_Data& cell = column == 0 ? edited->word : edited->meaning;
        if (column != 0 && column != 1) return;
        cell.m_text = text;
        differs = CompareTextNoCase(cell.m_text.GetString(), cell.m_secondText.GetString()) != 0;
    }
    RedrawItems(row, row);
    if (m_owner) SendMessage(m_owner, WM_WORDLIST_EDITED, 0, differs);
}

const QFont& CWordListCtrl::RowFont(int row) const {
    if (m_mode != WORDLIST_MARKING) return m_normalFont;
    const auto* data = static_cast<const GridRow*>(row >= 0 && row < GetItemCount() ? GetItem(row) : nullptr);
    if (data && data->IsStatusA()) return m_leftFont;
    if (data && data->IsStatusB()) return m_rightFont;
    return m_normalFont;
}

void CWordListCtrl::DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text,
                                   const LVCOLUMNW& columnInfo, BOOL selected, CKVXRect cell, int margin) {
    painter->setFont(RowFont(row));
    CBasicListCtrl::DrawColumnData(painter, row, column, text, columnInfo, selected, cell, std::max(margin, kTextMargin));
}

void CWordListCtrl::DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                                    UINT format) {
    painter->setFont(RowFont(row));
    CBasicListCtrl::DrawFirstColumn(painter, row, rect, item, std::max(margin, kTextMargin), format);
}

COLORREF CWordListCtrl::GetTextColor(int row, int column) {
    const auto* data = static_cast<const GridRow*>(row >= 0 && row < GetItemCount() ? GetItem(row) : nullptr);
    if (!data) return kBlack;
    // A hidden meaning is written in its background colour.
    if (column == 1 && m_mode != WORDLIST_PICTURES && data->IsMeaningHidden()) return GetBkColor(row, column);
    switch (m_mode) {
    case WORDLIST_PLAIN: return m_settings ? m_settings->GetNormalColor() : kBlack;
    case WORDLIST_MARKING:
        if (data->IsStatusA()) return m_settings ? m_settings->GetKnownColor() : kBlack;
        if (data->IsStatusB()) return m_settings ? m_settings->GetUnknownColor() : kBlack;
        return kBlack;
    default: return kBlack;
    }
}

COLORREF CWordListCtrl::GetBkColor(int row, int) { return row % 2 ? m_evenColor : m_oddColor; }

COLORREF CWordListCtrl::GetTextBkColor(int row, int column) { return GetBkColor(row, column); }

COLORREF CWordListCtrl::GetSelTextColor(int row, int column, BOOL hasFocus) {
    if (m_mode == WORDLIST_MARKING) return GetTextColor(row, column);
    return hasFocus ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_BTNTEXT);
}

COLORREF CWordListCtrl::GetSelBkColor(int row, int column, BOOL hasFocus) {
    if (m_mode == WORDLIST_MARKING) return kMarkingSelection;
    if (column != GetLastClickedColumn()) return GetBkColor(row, column);
    return hasFocus ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_BTNFACE);
}
