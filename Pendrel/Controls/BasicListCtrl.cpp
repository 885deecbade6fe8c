#include "Pendrel/Controls/BasicListCtrl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QUrl>

#include <algorithm>
#include <cwchar>

#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Controls/BasicListCtrlHdr.h"
#include "Pendrel/Controls/BasicListCtrlModel.h"
#include "Pendrel/Core/ListRowOrder.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = "BasicListCtrl";
constexpr int kLineNoDisplayHook = 310;
constexpr int kLineInsertFailed = 352;
constexpr int kLineSetItemFailed = 371;
constexpr int kLineNullSortParameter = 540;
constexpr int kLineSwapFailed = 1012;
constexpr int kLineNoHeader = 1046;

constexpr int kTextBufferSize = 260;
constexpr int kCheckBoxAreaWidth = 20;  // the check box is drawn 3 pixels in
constexpr int kSmallIconSize = 16;
constexpr int kIconGap = 2;
constexpr int kEditorId = 10;
constexpr int kMinEditableWidth = 5;
constexpr int kDragTargetOffset = 5;

// A raw image list drawn through the framework's image-list object, which is
// let go again so that it never frees a list it does not own.
void DrawImageListPicture(QPainter& painter, HIMAGELIST list, int index, QPoint point, UINT style) {
    if (!list || index < 0) return;
    CKVXImageList drawer;
    drawer.Attach(list);
    drawer.Draw(painter, index, point, style);
    drawer.Detach();
}

} // namespace

CBasicListCtrl::CBasicListCtrl(eDisplayType displayType, QWidget* parent)
    : CKVXWnd<QTreeView>(parent),
      m_model(new CBasicListCtrlModel(this)),
      m_header(new CBasicListCtrlHdr(TRUE, this)),
      m_displayType(displayType),
      m_textColor(GetSysColor(COLOR_WINDOWTEXT)),
      m_textBkColor(GetSysColor(COLOR_WINDOW)),
      m_bkColor(GetSysColor(COLOR_WINDOW)),
      m_style(static_cast<DWORD>(displayType == eReport       ? LVS_REPORT
                                 : displayType == eSmallIcons ? LVS_SMALLICON
                                 : displayType == eList       ? LVS_LIST
                                                              : LVS_ICON)) {
    m_textBuffer[0] = L'\0';
    setHeader(m_header);
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSortingEnabled(false);
    setExpandsOnDoubleClick(false);
    setAutoScroll(false);
    setFocusPolicy(Qt::StrongFocus);
    // A click on the header gives the focus to the list, or leaves it with
    // an open editor (its focus proxy while one is open); a column may be
    // made as narrow as wanted.
    m_header->setFocusPolicy(Qt::ClickFocus);
    m_header->setFocusProxy(this);
    m_header->setMinimumSectionSize(0);
    connect(m_header, &QHeaderView::sectionClicked, this, &CBasicListCtrl::OnColumnClick);
    // Moving a scroll bar takes the focus first, so that an open editor ends.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::sliderPressed, this, [this] {
            if (!hasFocus()) setFocus(Qt::OtherFocusReason);
        });
    ApplyStyle();
    UpdateRowHeight();
    m_constructed = true;
}

CBasicListCtrl::~CBasicListCtrl() {
    // Editors still open (or closing) must not report to a list being
    // destroyed.
    for (CBasicListCtrlEdit* editor : viewport()->findChildren<CBasicListCtrlEdit*>()) editor->disconnect(this);
    DeleteListItems(FALSE);
}

// ---------------------------------------------------------------------------
// Set-up

BOOL CBasicListCtrl::Create(DWORD style, const RECT& rect, QWidget* parent, UINT id) {
    setParent(parent);
    KVXSetDlgCtrlID(this, id);
    setGeometry(CKVXRect(rect).ToQRect());
    m_style = (style & ~LVS_TYPEMASK) | (m_style & LVS_TYPEMASK);
    ApplyStyle();
    if (!InitializeListCtrl()) return FALSE;
    if (style & WS_VISIBLE) show();
    return TRUE;
}

BOOL CBasicListCtrl::InitializeListCtrl() {
    InitializeSystemImageList();
    if (!AfterCreatingListCtrl()) return FALSE;
    const bool drop = EnableDrop() != FALSE;
    setAcceptDrops(drop);
    viewport()->setAcceptDrops(drop);
    m_header->InitializeHdrCtrl();
    return TRUE;
}

void CBasicListCtrl::DestroyWindow() {
    OnDestroyCalled();
    hide();
    SetCreated(false);
}

int CBasicListCtrl::AddColumn(int index, const wchar_t* title, int width, int format) {
    CBasicListCtrlModel::Column column;
    column.title = title ? CBasicString(title) : CBasicString();
    column.format = format;
    column.subItem = index;
    const int position = m_model->InsertColumn(index, column);
    m_header->resizeSection(position, std::max(0, width));
    m_header->RemoveSortImage(position);
    return position;
}

int CBasicListCtrl::AddColumn(int index, UINT titleId, int extraWidth, int format) {
    const CBasicString title = KVXLoadString(titleId);
    const int width = QFontMetrics(font()).horizontalAdvance(KVXToQString(title)) + extraWidth;
    return AddColumn(index, title.GetString(), width, format);
}

BOOL CBasicListCtrl::SetFullRowSel(BOOL fullRowSelection) {
    m_fullRowSelection = fullRowSelection;
    const DWORD before = m_style;
    if (fullRowSelection)
        m_style |= LVS_OWNERDRAWFIXED;
    else
        m_style &= ~LVS_OWNERDRAWFIXED;
    const BOOL changed = before != m_style;
    if (changed) viewport()->update();
    return changed;
}

void CBasicListCtrl::EnableSeparatorLines(BOOL separatorLines) {
    m_separatorLines = separatorLines;
}

BOOL CBasicListCtrl::ModifyStyle(DWORD remove, DWORD add) {
    const DWORD before = m_style;
    m_style = (m_style & ~remove) | add;
    if (m_style == before) return FALSE;
    ApplyStyle();
    return TRUE;
}

DWORD CBasicListCtrl::SetExtendedStyle(DWORD extendedStyle) {
    const DWORD before = m_extendedStyle;
    m_extendedStyle = extendedStyle;
    UpdateRowHeight();
    viewport()->update();
    return before;
}

void CBasicListCtrl::ApplyStyle() {
    setSelectionMode((m_style & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                               : QAbstractItemView::ExtendedSelection);
    m_header->setSectionsClickable(!(m_style & LVS_NOSORTHEADER));
    viewport()->update();
}

BOOL CBasicListCtrl::SetTextColor(COLORREF color) {
    m_textColor = color;
    viewport()->update();
    return TRUE;
}

BOOL CBasicListCtrl::SetTextBkColor(COLORREF color) {
    m_textBkColor = color;
    viewport()->update();
    return TRUE;
}

BOOL CBasicListCtrl::SetBkColor(COLORREF color) {
    m_bkColor = color;
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, KVXToQColor(color));
    viewport()->setPalette(palette);
    viewport()->update();
    return TRUE;
}

HIMAGELIST CBasicListCtrl::SetImageList(HIMAGELIST list, int kind) {
    HIMAGELIST* slot = kind == LVSIL_SMALL ? &m_smallImages : kind == LVSIL_STATE ? &m_stateImages : &m_normalImages;
    HIMAGELIST before = *slot;
    *slot = list;
    UpdateRowHeight();
    viewport()->update();
    return before;
}

HIMAGELIST CBasicListCtrl::GetImageList(int kind) const {
    return kind == LVSIL_SMALL ? m_smallImages : kind == LVSIL_STATE ? m_stateImages : m_normalImages;
}

int CBasicListCtrl::GetColumnCount() const {
    return m_model->ColumnCount();
}

BOOL CBasicListCtrl::GetColumn(int column, LVCOLUMNW* info) const {
    if (!info || column < 0 || column >= m_model->ColumnCount()) return FALSE;
    const CBasicListCtrlModel::Column& c = m_model->ColumnAt(column);
    if (info->mask & LVCF_FMT) info->fmt = c.format;
    if (info->mask & LVCF_WIDTH) info->cx = m_header->sectionSize(column);
    if (info->mask & LVCF_SUBITEM) info->iSubItem = c.subItem;
    if ((info->mask & LVCF_TEXT) && info->pszText && info->cchTextMax > 0) {
        std::wcsncpy(info->pszText, c.title.GetString(), static_cast<size_t>(info->cchTextMax - 1));
        info->pszText[info->cchTextMax - 1] = L'\0';
    }
    return TRUE;
}

int CBasicListCtrl::GetColumnWidth(int column) const {
    return column >= 0 && column < m_model->ColumnCount() ? m_header->sectionSize(column) : 0;
}

BOOL CBasicListCtrl::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= m_model->ColumnCount()) return FALSE;
    m_header->resizeSection(column, std::max(0, width));
    return TRUE;
}

int CBasicListCtrl::GetRowHeight() const {
    return m_model->GetRowHeight();
}

int CBasicListCtrl::MeasureRowHeight() const {
    const int textHeight = QFontMetrics(font()).height() + 4;
    const int pictureHeight = (m_smallImages || HasCheckBoxes()) ? kSmallIconSize + 2 : 0;
    return std::max(textHeight, pictureHeight);
}

void CBasicListCtrl::UpdateRowHeight() { m_model->SetRowHeight(MeasureRowHeight()); }

// ---------------------------------------------------------------------------
// Rows

void CBasicListCtrl::PrepareLVITEMStructure(LVITEMW& item, void* data) {
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = I_IMAGECALLBACK;
    item.lParam = reinterpret_cast<LPARAM>(data);
}

int CBasicListCtrl::AddItem(void* data) {
    LVITEMW item;
    item.iItem = GetItemCount();
    PrepareLVITEMStructure(item, data);
    const int row = m_model->AppendRow(reinterpret_cast<void*>(item.lParam));
    ReportAssertion(row != -1, kSourceFile, kLineInsertFailed);
    return row;
}

BOOL CBasicListCtrl::SetItem(int row, void* data) {
    const BOOL result = row >= 0 && row < GetItemCount();
    ReportAssertion(result, kSourceFile, kLineSetItemFailed);
    if (result) m_model->SetRow(row, data);
    return result;
}

void* CBasicListCtrl::GetItem(int row) const {
    if (row < 0 || row >= m_model->RowCount()) return nullptr;
    return m_model->Row(row);
}

void CBasicListCtrl::AnnounceAppendedRows() {
    m_model->AnnounceRows();
    // Laid out now, as each row's insertion used to have it by the end of
    // this pass (nothing to do when no layout waits).
    if (isVisible()) executeDelayedItemsLayout();
}

int CBasicListCtrl::GetItemCount() const {
    return m_model->RowCount();
}

void CBasicListCtrl::DeleteListItems(BOOL remove) {
    if (!remove) return;
    m_dropTarget = -1;
    m_model->ClearRows();
}

int CBasicListCtrl::GetItemFromMessagePos(DWORD position) {
    const QPoint screen(static_cast<SHORT>(position & 0xFFFF), static_cast<SHORT>((position >> 16) & 0xFFFF));
    const QPoint client = viewport()->mapFromGlobal(screen);
    return HitTest(POINT{client.x(), client.y()});
}

BOOL CBasicListCtrl::GetItem(LVITEMW* item) {
    if (!item || item->iItem < 0 || item->iItem >= GetItemCount()) return FALSE;
    const int row = item->iItem;
    UINT stored = 0;
    if (item->mask & LVIF_STATE) {
        if (selectionModel()->isRowSelected(row, QModelIndex())) stored |= LVIS_SELECTED;
        if (currentIndex().isValid() && currentIndex().row() == row) stored |= LVIS_FOCUSED;
        if (m_dropTarget == row) stored |= LVIS_DROPHILITED;
    }
    if (item->mask & LVIF_PARAM) item->lParam = reinterpret_cast<LPARAM>(GetItem(row));
    // The display request: what the list shows of the row comes from the
    // hook; with check boxes it is asked for the state image too.
    LVITEMW request = *item;
    request.mask &= LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    request.stateMask = 0;
    request.state = 0;
    if (HasCheckBoxes() && (item->mask & LVIF_STATE)) {
        request.mask |= LVIF_STATE;
        request.stateMask = LVIS_STATEIMAGEMASK;
    } else {
        request.mask &= ~LVIF_STATE;
    }
    if ((request.mask & LVIF_TEXT) && request.pszText && request.cchTextMax > 0) request.pszText[0] = L'\0';
    if (request.mask & LVIF_IMAGE) request.iImage = I_IMAGECALLBACK;
    if (request.mask) UnTyped_DisplayListCtrlData(GetItem(row), &request);
    if (item->mask & LVIF_TEXT) item->pszText = request.pszText;
    if (item->mask & LVIF_IMAGE) item->iImage = request.iImage;
    if (item->mask & LVIF_STATE)
        item->state = ((stored | (request.state & LVIS_STATEIMAGEMASK)) & item->stateMask) |
                      (item->state & ~item->stateMask);
    return TRUE;
}

CBasicString CBasicListCtrl::GetItemText(int row, int column) {
    wchar_t buffer[kTextBufferSize];
    buffer[0] = L'\0';
    LVITEMW item;
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = kTextBufferSize;
    if (!GetItem(&item) || !item.pszText) return CBasicString();
    buffer[kTextBufferSize - 1] = L'\0';
    return CBasicString(item.pszText);
}

// ---------------------------------------------------------------------------
// Geometry: one layout of a row for drawing, hit tests and the editor.

bool CBasicListCtrl::HasCheckBoxes() const {
    return (m_extendedStyle & LVS_EX_CHECKBOXES) != 0 || m_stateImages != nullptr;
}

int CBasicListCtrl::GetTopIndex() const {
    return GetItemCount() > 0 ? verticalScrollBar()->value() : 0;
}

int CBasicListCtrl::GetCountPerPage() const {
    return std::max(1, viewport()->height() / std::max(1, GetRowHeight()));
}

int CBasicListCtrl::RowAtY(int y) const {
    const int height = std::max(1, GetRowHeight());
    const int offset = y >= 0 ? y / height : -((-y + height - 1) / height);
    const int row = GetTopIndex() + offset;
    return row >= 0 && row < GetItemCount() ? row : -1;
}

int CBasicListCtrl::ColumnLeft(int column) const {
    int left = 0;
    for (int c = 0; c < column && c < m_model->ColumnCount(); ++c) left += m_header->sectionSize(c);
    return left;
}

bool CBasicListCtrl::GetRowGeometry(int row, RowGeometry& geometry) const {
    if (row < 0 || row >= GetItemCount()) return false;
    const int height = GetRowHeight();
    const int top = (row - GetTopIndex()) * height;
    const int left = -horizontalOffset();
    const int columns = m_model->ColumnCount();
    geometry.bounds = CKVXRect(left, top, left + ColumnLeft(columns), top + height);
    const int column0Right = left + (columns > 0 ? m_header->sectionSize(0) : 0);
    const int checkRight = std::min(left + (HasCheckBoxes() ? kCheckBoxAreaWidth : 0), column0Right);
    geometry.checkBox = CKVXRect(left, top, checkRight, top + height);
    const int iconLeft = m_smallImages ? std::min(checkRight + kIconGap, column0Right) : checkRight;
    const int iconRight = m_smallImages ? std::min(iconLeft + kSmallIconSize, column0Right) : checkRight;
    geometry.icon = CKVXRect(iconLeft, top, iconRight, top + height);
    geometry.label = CKVXRect(iconRight, top, std::max(iconRight, column0Right), top + height);
    return true;
}

BOOL CBasicListCtrl::GetItemRect(int row, RECT* rect, UINT code) const {
    RowGeometry geometry;
    if (!rect || !GetRowGeometry(row, geometry)) return FALSE;
    *rect = code == LVIR_ICON ? geometry.icon : code == LVIR_LABEL ? geometry.label : geometry.bounds;
    return TRUE;
}

BOOL CBasicListCtrl::GetSubItemRect(int row, int column, int code, RECT* rect) const {
    RowGeometry geometry;
    if (!rect || column < 0 || column >= GetColumnCount() || !GetRowGeometry(row, geometry)) return FALSE;
    if (column == 0 && code == LVIR_LABEL) {
        *rect = geometry.label;
        return TRUE;
    }
    const int left = geometry.bounds.left + ColumnLeft(column);
    *rect = CKVXRect(left, geometry.bounds.top, left + m_header->sectionSize(column), geometry.bounds.bottom);
    return TRUE;
}

int CBasicListCtrl::HitTest(POINT point, UINT* flags) const {
    if (flags) *flags = LVHT_NOWHERE;
    const int row = RowAtY(point.y);
    RowGeometry geometry;
    if (row < 0 || !GetRowGeometry(row, geometry) || !geometry.bounds.PtInRect(point)) return -1;
    if (flags) {
        if (geometry.checkBox.PtInRect(point))
            *flags = LVHT_ONITEMSTATEICON;
        else if (geometry.icon.PtInRect(point))
            *flags = LVHT_ONITEMICON;
        else
            *flags = LVHT_ONITEMLABEL;
    }
    return row;
}

int CBasicListCtrl::HitTestEx(POINT& point, int* column) const {
    if (column) *column = 0;
    const int row = RowAtY(point.y);
    RowGeometry geometry;
    if (row < 0 || !GetRowGeometry(row, geometry)) return -1;
    if (point.y < geometry.bounds.top || point.y >= geometry.bounds.bottom) return -1;
    int left = geometry.bounds.left;
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int width = m_header->sectionSize(c);
        if (point.x >= left && point.x <= left + width) {
            if (column) *column = c;
            return row;
        }
        left += width;
    }
    return -1;
}

BOOL CBasicListCtrl::EnsureVisible(int row, BOOL partialOK) {
    if (row < 0 || row >= GetItemCount()) return FALSE;
    m_model->AnnounceRows();
    RowGeometry geometry;
    GetRowGeometry(row, geometry);
    const bool partlyShown = geometry.bounds.bottom > 0 && geometry.bounds.top < viewport()->height();
    const bool wholeShown = geometry.bounds.top >= 0 && geometry.bounds.bottom <= viewport()->height();
    if (wholeShown || (partialOK && partlyShown)) return TRUE;
    scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
    return TRUE;
}

BOOL CBasicListCtrl::Scroll(int dx, int dy) {
    m_model->AnnounceRows();
    if (dx) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
    if (dy) verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
    return TRUE;
}

BOOL CBasicListCtrl::RedrawItems(int first, int last) {
    if (first < 0 || last < first) return FALSE;
    for (int row = first; row <= last; ++row) {
        RowGeometry geometry;
        if (GetRowGeometry(row, geometry)) viewport()->update(geometry.bounds.ToQRect());
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// Row states and the selection

UINT CBasicListCtrl::GetItemState(int row, UINT mask) {
    LVITEMW item;
    item.mask = LVIF_STATE;
    item.iItem = row;
    item.stateMask = mask;
    if (!GetItem(&item)) return 0;
    return item.state & mask;
}

BOOL CBasicListCtrl::SetItemState(int row, UINT state, UINT mask) {
    if (row < -1 || row >= GetItemCount()) return FALSE;
    m_model->AnnounceRows();
    QItemSelectionModel* selection = selectionModel();
    if (mask & LVIS_SELECTED) {
        const QItemSelectionModel::SelectionFlags flag =
            ((state & LVIS_SELECTED) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
            QItemSelectionModel::Rows;
        if (row == -1) {
            if (GetItemCount() > 0)
                selection->select(QItemSelection(m_model->index(0, 0), m_model->index(GetItemCount() - 1, 0)), flag);
        } else {
            selection->select(m_model->index(row, 0), flag);
        }
    }
    if ((mask & LVIS_FOCUSED) && row >= 0) {
        if (state & LVIS_FOCUSED)
            selection->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
        else if (currentIndex().row() == row)
            selection->clearCurrentIndex();
    }
    if (mask & LVIS_DROPHILITED) {
        if (state & LVIS_DROPHILITED)
            m_dropTarget = row;
        else if (row == -1 || m_dropTarget == row)
            m_dropTarget = -1;
    }
    viewport()->update();
    return TRUE;
}

std::vector<int> CBasicListCtrl::GetSelectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int CBasicListCtrl::GetSelectedCount() const {
    return static_cast<int>(GetSelectedRows().size());
}

int CBasicListCtrl::GetFirstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        if (first < 0 || range.top() < first) first = range.top();
    return first;
}

void CBasicListCtrl::SelectItem(int row) {
    SetItemState(row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
}

void CBasicListCtrl::SelectAll() {
    SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
}

void CBasicListCtrl::InvertSelection() {
    if (GetItemCount() == 0) return;
    m_model->AnnounceRows();
    selectionModel()->select(QItemSelection(m_model->index(0, 0), m_model->index(GetItemCount() - 1, 0)),
                             QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void CBasicListCtrl::ClearSelection() {
    const QModelIndex current = currentIndex();
    const bool currentSelected = current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex());
    selectionModel()->clearSelection();
    if (currentSelected) selectionModel()->clearCurrentIndex();
    m_dropTarget = -1;
    viewport()->update();
}

void CBasicListCtrl::RepaintSelectedItems() {
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Sorting

void CBasicListCtrl::OnColumnClick(int column) {
    if (!IsSortable(column)) return;
    const BOOL ascending = column == GetSortedColumn() ? !IsAscSorted() : TRUE;
    SortArrays(column, ascending);
    m_editRules.OnSortedByHeader();
}

void CBasicListCtrl::SortArrays(int column, BOOL ascending) {
    if (column < 0 || !IsSortable(column)) return;
    m_sortColumn = column;
    m_sortAscending = ascending;
    if (m_displayType == eReport) m_header->SetSortImage(column, ascending);
    const std::vector<int> newIndexOf =
        m_model->SortRows([this](void* a, void* b) { return CompareFuncStatic(a, b, this); });
    if (m_dropTarget >= 0 && m_dropTarget < static_cast<int>(newIndexOf.size()))
        m_dropTarget = newIndexOf[static_cast<size_t>(m_dropTarget)];
    viewport()->update();
}

int CBasicListCtrl::CompareFuncStatic(void* data1, void* data2, CBasicListCtrl* control) {
    ReportAssertion(control != nullptr, kSourceFile, kLineNullSortParameter);
    if (!control) return 0;
    return control->SortEntries(data1, data2);
}

int CBasicListCtrl::GetSortedColumn() const {
    return m_header->GetSortedColumn();
}

BOOL CBasicListCtrl::IsAscSorted() const {
    return m_header->IsAscSorted();
}

// ---------------------------------------------------------------------------
// Base hooks

void CBasicListCtrl::ItemClicked(int) {}
void CBasicListCtrl::ItemDBClicked(int) {}
BOOL CBasicListCtrl::IsSortable(int) {
    return TRUE;
}
int CBasicListCtrl::SortEntries(void*, void*) {
    return 0;
}
BOOL CBasicListCtrl::EnableDrop() {
    return FALSE;
}
BOOL CBasicListCtrl::IsDropTarget(int) {
    return FALSE;
}
void CBasicListCtrl::OnFilesDroped(int, const CStringList&) {}
void CBasicListCtrl::OnDestroyCalled() {}
HWND CBasicListCtrl::GetTreeCtrlHWnd() {
    return nullptr;
}

void CBasicListCtrl::InitializeSystemImageList() {
    CKVXImageList small;
    KVXGetSystemIconImageList(SHGFI_SMALLICON, small);
    SetImageList(small.GetSafeHandle(), LVSIL_SMALL);
    KVXDetachImageList(small);
    CKVXImageList large;
    KVXGetSystemIconImageList(SHGFI_LARGEICON, large);
    SetImageList(large.GetSafeHandle(), LVSIL_NORMAL);
    KVXDetachImageList(large);
}

void CBasicListCtrl::UnTyped_DisplayListCtrlData(void*, LVITEMW*) {
    ReportAssertion(0, kSourceFile, kLineNoDisplayHook);
}

BOOL CBasicListCtrl::AfterCreatingListCtrl() {
    return TRUE;
}
void CBasicListCtrl::ItemStateIconClicked(int) {}
BOOL CBasicListCtrl::EnableEdit(int, int) {
    return FALSE;
}
BOOL CBasicListCtrl::IsDrawFocusRect() {
    return TRUE;
}
void CBasicListCtrl::ItemEdited(int, int, const wchar_t*) {}
void CBasicListCtrl::ShowContextMenu(UINT, POINT) {}

COLORREF CBasicListCtrl::GetTextColor(int, int) {
    return m_textColor;
}
COLORREF CBasicListCtrl::GetTextBkColor(int, int) {
    return m_textBkColor;
}
COLORREF CBasicListCtrl::GetBkColor(int, int) {
    return m_bkColor;
}
COLORREF CBasicListCtrl::GetSelTextColor(int, int, BOOL hasFocus) {
    return GetSysColor(hasFocus ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
}
COLORREF CBasicListCtrl::GetSelBkColor(int, int, BOOL hasFocus) {
    return GetSysColor(hasFocus ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
}

UINT CBasicListCtrl::GetImageBlend(UINT state) {
    if (state & (LVIS_CUT | LVIS_SELECTED | LVIS_DROPHILITED)) return ILD_TRANSPARENT | ILD_BLEND50;
    return ILD_TRANSPARENT;
}

BOOL CBasicListCtrl::EnableSwap() {
    return FALSE;
}
void CBasicListCtrl::SwapItems(int, int) {}
void CBasicListCtrl::OnRightButtonClicked(int, POINT) {}
HIMAGELIST CBasicListCtrl::OnDrawCheckBox(int, int&) {
    return nullptr;
}

// ---------------------------------------------------------------------------
// Drawing

bool CBasicListCtrl::HasFocusForDrawing() const {
    // The cell editor holding the focus leaves the rows in their focused
    // look.
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus)) && isActiveWindow();
}

void CBasicListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    DrawRow(painter, index.row(), option.rect);
}

void CBasicListCtrl::DrawRow(QPainter* painter, int row, const QRect&) const {
    auto* self = const_cast<CBasicListCtrl*>(this);
    RowGeometry geometry;
    if (!GetRowGeometry(row, geometry)) return;
    DRAWITEMSTRUCT drawItem;
    drawItem.CtlID = KVXGetDlgCtrlID(this);
    drawItem.itemID = static_cast<UINT>(row);
    drawItem.hwndItem = self;
    drawItem.hDC = painter;
    drawItem.rcItem = geometry.bounds;
    drawItem.itemData = reinterpret_cast<ULONG_PTR>(GetItem(row));
    if (selectionModel()->isRowSelected(row, QModelIndex())) drawItem.itemState |= ODS_SELECTED;
    if (currentIndex().row() == row && HasFocusForDrawing()) drawItem.itemState |= ODS_FOCUS;
    painter->save();
    if (m_style & LVS_OWNERDRAWFIXED) {
        self->DrawItem(&drawItem);
    } else {
        self->m_defaultDrawing = true;
        self->CBasicListCtrl::DrawItem(&drawItem);
        self->m_defaultDrawing = false;
    }
    painter->restore();
}

void CBasicListCtrl::DrawItem(DRAWITEMSTRUCT* drawItem) {
    if (!drawItem || !drawItem->hDC) return;
    QPainter& painter = *drawItem->hDC;
    const int row = static_cast<int>(drawItem->itemID);
    const BOOL hasFocus = HasFocusForDrawing();
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    const int o = painter.fontMetrics().horizontalAdvance(QLatin1Char(' '));
    const UINT format = DT_WORDBREAK | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

    m_textBuffer[0] = L'\0';
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    item.iItem = row;
    item.stateMask = 0xFFFF;
    item.pszText = m_textBuffer;
    item.cchTextMax = kTextBufferSize;
    if (!GetItem(&item)) return;
    if (!item.pszText) item.pszText = m_textBuffer;
    m_textBuffer[kTextBufferSize - 1] = L'\0';
    const BOOL selected = (item.state & (LVIS_SELECTED | LVIS_DROPHILITED)) != 0;

    RowGeometry geometry;
    if (!GetRowGeometry(row, geometry)) return;
    CKVXRect highlight = geometry.label;
    if (!m_fullRowSelection) {
        CKVXRect measured = geometry.label;
        measured.DeflateRect(o, 0);
        DrawText(painter, item.pszText, -1, &measured, format | DT_CALCRECT);
        highlight.right = std::min(measured.right + o, geometry.label.right);
    } else {
        highlight.right = geometry.bounds.right;
        highlight.top = geometry.bounds.top;
        highlight.bottom = geometry.bounds.bottom;
    }

    const QPen savedPen = painter.pen();
    const QBrush savedBackground = painter.background();
    if (!selected) {
        painter.setPen(KVXToQColor(GetTextColor(row, 0)));
        painter.setBackground(KVXToQColor(GetBkColor(row, 0)));
        painter.fillRect(highlight.ToQRect(), KVXToQColor(GetTextBkColor(row, 0)));
    } else {
        const QColor background = KVXToQColor(GetSelBkColor(row, 0, hasFocus));
        painter.setPen(KVXToQColor(GetSelTextColor(row, 0, hasFocus)));
        painter.setBackground(background);
        painter.fillRect(highlight.ToQRect(), background);
    }

    CKVXRect rect = drawItem->rcItem;
    DrawFirstColumn(&painter, row, rect, item, o, format);

    for (int column = 1; column < GetColumnCount(); ++column) {
        LVCOLUMNW columnInfo;
        columnInfo.mask = LVCF_FMT | LVCF_WIDTH;
        if (!GetColumn(column, &columnInfo)) break;
        const CBasicString text = GetItemText(row, column);
        std::wcsncpy(m_textBuffer, text.GetString(), kTextBufferSize - 1);
        m_textBuffer[kTextBufferSize - 1] = L'\0';
        rect.left = rect.right;
        rect.right += columnInfo.cx;
        DrawColumnData(&painter, row, column, m_textBuffer, columnInfo, selected, rect, 2 * o);
    }

    if (IsDrawFocusRect() && (item.state & LVIS_FOCUSED) && hasFocus) {
        CKVXRect focusRect = highlight;
        if (m_extendedStyle & LVS_EX_GRIDLINES) focusRect.bottom -= 1;
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = focusRect.ToQRect();
        option.backgroundColor = painter.background().color();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    if (selected) {
        painter.setPen(savedPen);
        painter.setBackground(savedBackground);
    }
}

void CBasicListCtrl::DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                                     UINT format) {
    const COLORREF background = GetBkColor(row, 0);
    const UINT blend = GetImageBlend(item.state);
    RowGeometry geometry;
    GetRowGeometry(row, geometry);
    if (item.state & LVIS_STATEIMAGEMASK) {
        int index = 0;
        if (HIMAGELIST list = OnDrawCheckBox(row, index)) {
            DrawImageListPicture(*painter, list, index, QPoint(rect.left + 3, rect.top), ILD_TRANSPARENT);
        } else if (m_defaultDrawing && geometry.checkBox.Width() > 0) {
            // The list's own check box: image 1 unchecked, 2 checked.
            QStyleOptionButton option;
            option.initFrom(this);
            const int size = 13;
            option.rect = QRect(rect.left + 3, geometry.bounds.top + (geometry.bounds.Height() - size) / 2, size, size);
            option.state = QStyle::State_Enabled |
                           (STATEIMAGEMASKTOINDEX(item.state) >= 2 ? QStyle::State_On : QStyle::State_Off);
            style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, painter, this);
        }
    }
    DrawItemImage(painter, item, rect, background, blend);
    rect = geometry.label;
    CKVXRect textRect = rect;
    textRect.DeflateRect(margin, 0);
    if (item.pszText) DrawText(*painter, item.pszText, -1, &textRect, format);
}

void CBasicListCtrl::DrawItemImage(QPainter* painter, const LVITEMW& item, const CKVXRect& rect, COLORREF,
                                   UINT blend) {
    if (!m_smallImages || rect.left >= rect.right - 1) return;
    RowGeometry geometry;
    if (!GetRowGeometry(item.iItem, geometry) || geometry.icon.Width() <= 0) return;
    const int top = geometry.icon.top + (geometry.icon.Height() - kSmallIconSize) / 2;
    painter->save();
    painter->setClipRect(geometry.icon.ToQRect());
    DrawImageListPicture(*painter, m_smallImages, item.iImage, QPoint(geometry.icon.left, top),
                         blend | (item.state & LVIS_OVERLAYMASK));
    painter->restore();
}

void CBasicListCtrl::DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text,
                                    const LVCOLUMNW& columnInfo, BOOL selected, CKVXRect cell, int margin) {
    if (!m_fullRowSelection || !selected) {
        painter->setPen(KVXToQColor(GetTextColor(row, column)));
        painter->setBackground(KVXToQColor(GetBkColor(row, column)));
        painter->fillRect(cell.ToQRect(), KVXToQColor(GetTextBkColor(row, column)));
    }
    const int justify = columnInfo.fmt & LVCFMT_JUSTIFYMASK;
    const UINT align = justify == LVCFMT_RIGHT ? DT_RIGHT : justify == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    cell.DeflateRect(margin, 0);
    if (text && *text) DrawText(*painter, text, -1, &cell, align | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void CBasicListCtrl::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    QPainter painter(viewport());
    if (m_extendedStyle & LVS_EX_GRIDLINES) DrawGridLines(painter);
    if (m_separatorLines && m_displayType == eReport) DrawSeparatorLines(painter);
}

void CBasicListCtrl::DrawSeparatorLines(QPainter& painter) {
    painter.setPen(QPen(Qt::black, 1));
    const int right = viewport()->width();
    const int bottom = viewport()->height();
    int x = -horizontalOffset();
    for (int column = 0; column < GetColumnCount(); ++column) {
        x += m_header->sectionSize(column);
        if (x >= right) break;
        painter.drawLine(x - 1, 0, x - 1, bottom);
    }
}

void CBasicListCtrl::DrawGridLines(QPainter& painter) {
    painter.setPen(QPen(KVXToQColor(GetSysColor(COLOR_BTNFACE)), 1));
    const int right = std::min(viewport()->width(), -horizontalOffset() + ColumnLeft(GetColumnCount()));
    const int height = GetRowHeight();
    const int rows = std::min(GetItemCount() - GetTopIndex(), viewport()->height() / std::max(1, height) + 1);
    for (int i = 1; i <= rows; ++i) painter.drawLine(0, i * height - 1, right, i * height - 1);
    const int bottom = std::max(0, rows) * height;
    int x = -horizontalOffset();
    for (int column = 0; column < GetColumnCount(); ++column) {
        x += m_header->sectionSize(column);
        if (x > 0 && x <= right) painter.drawLine(x - 1, 0, x - 1, bottom);
    }
}

// ---------------------------------------------------------------------------
// Mouse, keys and focus

bool CBasicListCtrl::IsStateIconClicked(QPoint point) const {
    const int row = HitTest(POINT{point.x(), point.y()});
    return row >= 0 && row < GetItemCount() && IsCursorOnCheckBox(row, POINT{point.x(), point.y()});
}

BOOL CBasicListCtrl::IsCursorOnCheckBox(int row, POINT point) const {
    RowGeometry geometry;
    if (!GetRowGeometry(row, geometry) || geometry.checkBox.left < 0) return FALSE;
    return geometry.checkBox.PtInRect(point);
}

void CBasicListCtrl::SetCheckBoxCursor() {
    const QPoint point = viewport()->mapFromGlobal(QCursor::pos());
    const int row = HitTest(POINT{point.x(), point.y()});
    if (HasCheckBoxes() && row >= 0 && IsCursorOnCheckBox(row, POINT{point.x(), point.y()}))
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

void CBasicListCtrl::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton) {
        QTreeView::mousePressEvent(event);
        return;
    }
    const int row = HitTest(POINT{point.x(), point.y()});
    if (row >= 0 && IsStateIconClicked(point)) ItemStateIconClicked(row);
    m_pressPending = true;
    m_pressRow = row;
    m_pressPoint = point;
    // A press on a selected row of a list whose rows can be dragged keeps the
    // selection until the release, so that all selected rows can be dragged.
    m_selectOnRelease = row >= 0 && EnableSwap() && event->modifiers() == Qt::NoModifier &&
                        selectionModel()->isRowSelected(row, QModelIndex());
    if (m_selectOnRelease)
        selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
    else
        QTreeView::mousePressEvent(event);
}

void CBasicListCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (!m_dragging && m_pressPending && (event->buttons() & Qt::LeftButton) && m_pressRow >= 0 && EnableSwap() &&
        (point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressPending = false;
        m_selectOnRelease = false;
        BeginDrag(m_pressRow);
        RunClickRules(m_pressPoint);
    }
    if (!m_dragging) {
        QTreeView::mouseMoveEvent(event);
        return;
    }
    m_dragPoint = POINT{point.x(), point.y()};
    // Only a point over this list moves its rows.
    m_dropWindow = viewport()->rect().contains(point) ? this : nullptr;
    if (m_dropWindow == this) DropItemOnList();
}

void CBasicListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = FALSE;
        m_dropWindow = nullptr;
        SortArrays(-1, TRUE);
        return;
    }
    if (event->button() == Qt::RightButton) {
        QTreeView::mouseReleaseEvent(event);
        const QPoint screen = viewport()->mapToGlobal(point);
        OnRightButtonClicked(HitTest(POINT{point.x(), point.y()}), POINT{screen.x(), screen.y()});
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    if (m_selectOnRelease) {
        m_selectOnRelease = false;
        selectionModel()->select(m_model->index(m_pressRow, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(m_model->index(m_pressRow, 0), QItemSelectionModel::NoUpdate);
    } else {
        QTreeView::mouseReleaseEvent(event);
    }
    if (!m_pressPending) return;
    m_pressPending = false;
    const int row = HitTest(POINT{point.x(), point.y()});
    if (row >= 0) ItemClicked(row);
    RunClickRules(m_pressPoint);
}

void CBasicListCtrl::RunClickRules(QPoint point) {
    POINT hit{point.x(), point.y()};
    int column = 0;
    const int row = HitTestEx(hit, &column);
    const bool focused = row >= 0 && currentIndex().isValid() && currentIndex().row() == row;
    switch (m_editRules.OnClick(row, column, focused)) {
    case CListEditRules::ClickSelectRow:
        SelectItem(row);
        break;
    case CListEditRules::ClickTryEdit:
        if ((m_style & LVS_EDITLABELS) && !m_dragging && EnableEdit(row, column)) ShowEditCtrl(row, column);
        break;
    default:
        break;
    }
}

void CBasicListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QTreeView::mouseDoubleClickEvent(event);
        return;
    }
    m_pressPending = false;
    const QPoint point = event->position().toPoint();
    UINT flags = 0;
    const int row = HitTest(POINT{point.x(), point.y()}, &flags);
    if (row < 0) return;
    if (IsStateIconClicked(point))
        ItemStateIconClicked(row);
    else if (flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL))
        ItemDBClicked(row);
}

bool CBasicListCtrl::event(QEvent* event) {
    // Whatever the list is about to do, its view knows every row first.
    if (m_constructed) m_model->AnnounceRows();
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return CKVXWnd<QTreeView>::event(event);
}

bool CBasicListCtrl::viewportEvent(QEvent* event) {
    if (m_constructed) m_model->AnnounceRows();
    return CKVXWnd<QTreeView>::viewportEvent(event);
}

void CBasicListCtrl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // They stay with the list and never reach the dialog.
        event->accept();
        return;
    case Qt::Key_F2: {
        const int row = GetFirstSelectedRow();
        const int column = m_editRules.GetLastClickedColumn();
        if (row >= 0 && row < GetItemCount() && EnableEdit(row, column)) ShowEditCtrl(row, column);
        break;
    }
    default:
        break;
    }
    QTreeView::keyPressEvent(event);
}

void CBasicListCtrl::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    int row = GetFirstSelectedRow();
    if (row < 0 || row >= GetItemCount()) row = 0;
    if (row < GetItemCount()) SelectItem(row);
    if (m_fullRowSelection && m_displayType == eReport) RepaintSelectedItems();
}

void CBasicListCtrl::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    if (m_fullRowSelection && m_displayType == eReport) RepaintSelectedItems();
}

void CBasicListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint screen = event->globalPos();
    ShowContextMenu(0, POINT{screen.x(), screen.y()});
}

void CBasicListCtrl::scrollContentsBy(int dx, int dy) {
    // Scrolling ends an open edit first: the editor loses the focus.
    if (m_editorObject && !hasFocus()) setFocus(Qt::OtherFocusReason);
    QTreeView::scrollContentsBy(dx, dy);
}

void CBasicListCtrl::changeEvent(QEvent* event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateRowHeight();
}

// ---------------------------------------------------------------------------
// The cell editor

CBasicListCtrlEdit* CBasicListCtrl::ShowEditCtrl(int row, int column) {
    if (!EnsureVisible(row, TRUE)) return nullptr;
    if (column < 0 || column >= GetColumnCount() || m_header->sectionSize(column) < kMinEditableWidth) return nullptr;
    RowGeometry geometry;
    if (!GetRowGeometry(row, geometry)) return nullptr;
    const int offset = ColumnLeft(column);
    const int width = m_header->sectionSize(column);
    const int clientRight = viewport()->width();
    int rowLeft = geometry.bounds.left;
    const int cellLeft = rowLeft + offset;
    if (cellLeft < 0 || cellLeft > clientRight) {
        const int before = horizontalScrollBar()->value();
        horizontalScrollBar()->setValue(before + cellLeft);
        rowLeft -= horizontalScrollBar()->value() - before;
    }
    CKVXRect rect;
    rect.left = rowLeft + offset + 4;
    rect.right = std::min(rect.left + width - 3, clientRight);
    rect.top = geometry.bounds.top;
    rect.bottom = geometry.bounds.bottom;
    const int justify = m_model->ColumnAt(column).format & LVCFMT_JUSTIFYMASK;
    const DWORD align = justify == LVCFMT_RIGHT ? ES_RIGHT : justify == LVCFMT_CENTER ? ES_CENTER : ES_LEFT;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | align;
    auto* editor = new CBasicListCtrlEdit(row, column, GetItemText(row, column), TRUE);
    m_editRules.OnEditorOpened();
    connect(editor, &CBasicListCtrlEdit::EditEnded, this, &CBasicListCtrl::OnEndLabelEdit);
    m_editor = editor;
    m_header->setFocusProxy(editor);
    m_editorObject = editor;
    // While the editor is being destroyed only its address may be compared.
    connect(editor, &QObject::destroyed, this, [this](QObject* gone) {
        if (gone != m_editorObject) return;
        m_editorObject = nullptr;
        m_header->setFocusProxy(this);
    });
    editor->Create(style, rect, viewport(), kEditorId);
    return editor;
}

void CBasicListCtrl::OnEndLabelEdit(int row, int column, const wchar_t* text) {
    if (!m_editRules.OnEditEnded()) return;
    if (text) ItemEdited(row, column, text);
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Dragging rows

void CBasicListCtrl::BeginDrag(int row) {
    if (!EnableSwap()) return;
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    m_dragging = TRUE;
    m_dragRow = row;
    m_dropWindow = this;
}

void CBasicListCtrl::DropItemOnList() {
    const std::vector<int> selected = GetSelectedRows();
    if (selected.empty()) return;
    const int target = HitTest(POINT{m_dragPoint.x, m_dragPoint.y + kDragTargetOffset});
    if (target < 0) return;
    const int delta = target - m_dragRow;
    if (delta == 0) return;
    ReportAssertion(m_header != nullptr, kSourceFile, kLineNoHeader);
    if (!m_header) return;
    const KVXRowReorder plan = KVXPlanRowReorder(GetItemCount(), selected, delta);
    if (plan.swaps.empty()) return;
    for (const auto& swap : plan.swaps) SwapListItems(swap.first, swap.second);
    m_dragRow = target;
    ClearSelection();
    for (int row : plan.selected) SelectItem(row);
    RepaintSelectedItems();
}

void CBasicListCtrl::SwapListItems(int row1, int row2) {
    if (row1 == row2 || row1 < 0 || row2 < 0 || row1 >= GetItemCount() || row2 >= GetItemCount()) return;
    void* data1 = GetItem(row1);
    void* data2 = GetItem(row2);
    const BOOL done = SetItem(row1, data2) && SetItem(row2, data1);
    ReportAssertion(done, kSourceFile, kLineSwapFailed);
    if (done) SwapItems(row1, row2);
}

// ---------------------------------------------------------------------------
// Dropping files

void CBasicListCtrl::SelectDropTarget(int row) {
    if (row == -1) {
        m_dropTarget = -1;
    } else if (row != m_dropTarget) {
        m_dropTarget = row;
    }
    viewport()->update();
}

LRESULT CBasicListCtrl::OnDragEnter(WPARAM wParam, LPARAM lParam) {
    ClearSelection();
    return OnDragOver(wParam, lParam);
}

LRESULT CBasicListCtrl::OnDragOver(WPARAM, LPARAM lParam) {
    const POINT* point = reinterpret_cast<const POINT*>(lParam);
    const int row = point ? HitTest(*point) : -1;
    if (row >= 0 && IsDropTarget(row))
        SelectDropTarget(row);
    else
        SelectDropTarget(-1);
    return TRUE;
}

LRESULT CBasicListCtrl::OnDragLeave(WPARAM, LPARAM) {
    SelectDropTarget(-1);
    return TRUE;
}

LRESULT CBasicListCtrl::OnDropFiles(WPARAM, LPARAM lParam) {
    const CStringList empty;
    const CStringList* files = lParam ? reinterpret_cast<const CStringList*>(lParam) : &empty;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SortArrays(-1, TRUE);
    OnFilesDroped(GetDropTarget(), *files);
    SelectDropTarget(-1);
    QApplication::restoreOverrideCursor();
    return TRUE;
}

void CBasicListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    HandleDragOver(event, true);
}

void CBasicListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    HandleDragOver(event, false);
}

void CBasicListCtrl::HandleDragOver(QDragMoveEvent* event, bool entering) {
    if (!EnableDrop() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    POINT point{p.x(), p.y()};
    if (entering)
        OnDragEnter(0, reinterpret_cast<LPARAM>(&point));
    else
        OnDragOver(0, reinterpret_cast<LPARAM>(&point));
    event->acceptProposedAction();
}

void CBasicListCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    OnDragLeave(0, 0);
    event->accept();
}

void CBasicListCtrl::dropEvent(QDropEvent* event) {
    if (!EnableDrop() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    CStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files.push_back(KVXFromQString(url.toLocalFile()));
    OnDropFiles(0, reinterpret_cast<LPARAM>(&files));
    event->acceptProposedAction();
}
