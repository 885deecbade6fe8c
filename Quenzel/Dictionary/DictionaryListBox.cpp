#include "Quenzel/Dictionary/DictionaryListBox.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Dictionary/DictionaryListDelegate.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\DictionaryListBox";
constexpr int kLabelWidth = 100;
constexpr int kMinimumHeight = 30;
constexpr UINT kEditorId = 10;
constexpr COLORREF kLabelColor = 0x989898;
constexpr COLORREF kSelectedColor = 0xFFFF00;
constexpr COLORREF kFocusColor = 0xFF0000;

} // namespace

CDictionaryListBox::CDictionaryListBox(QWidget* parent) : CKVXWnd<QListWidget>(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new CDictionaryListDelegate(this));
    setFrameShape(QFrame::Box);
    m_font = font();
}

CDictionaryListBox::~CDictionaryListBox() {
    // The editor is a child of the viewport and goes with it; it must not
    // report its end to a list that is going.
    if (m_editor) m_editor->disconnect(this);
    DeleteAll();
}

void CDictionaryListBox::Init(const COptions* settings) {
    if (!settings) return;
    LOGFONTW normal{};
    settings->GetNormalFont(normal);
    if (normal.lfFaceName[0] != L'\0') m_font = KVXFontFromLogFont(normal);
    Relayout();
}

int CDictionaryListBox::AddedRow(int index) {
    if (index < 0) return index;
    SyncRows();
    if (index == 0) setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    return index;
}

void CDictionaryListBox::SyncRows() {
    const int wanted = m_entries.GetCount();
    while (count() > wanted) delete takeItem(count() - 1);
    while (count() < wanted) addItem(QString());
    Relayout();
}

int CDictionaryListBox::AddDictionary(CDictionaryDataItem* dictionary) {
    const int first = m_entries.AddDictionary(dictionary);
    if (first < 0) return first;
    const bool wasEmpty = count() == 0;
    SyncRows();
    if (wasEmpty && count() > 0) setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    return first;
}

int CDictionaryListBox::AddMeaning(const MeaningRecord& record) { return AddedRow(m_entries.AddMeaning(record)); }
int CDictionaryListBox::AddSynonym(const RelationRecord& record) { return AddedRow(m_entries.AddSynonym(record)); }
int CDictionaryListBox::AddAntonym(const RelationRecord& record) { return AddedRow(m_entries.AddAntonym(record)); }
int CDictionaryListBox::AddAcronym(const AcronymRecord& record) { return AddedRow(m_entries.AddAcronym(record)); }

int CDictionaryListBox::SetItemFlags(DWORD mask, int on, int index) {
    const int result = m_entries.SetItemFlags(mask, on, index);
    if (result) viewport()->update();
    return result;
}

std::vector<int> CDictionaryListBox::GetSelectedIndexes() const {
    std::vector<int> indexes;
    for (const QModelIndex& index : selectionModel()->selectedRows()) indexes.push_back(index.row());
    std::sort(indexes.begin(), indexes.end());
    if (indexes.empty() && currentRow() >= 0) indexes.push_back(currentRow());
    return indexes;
}

void CDictionaryListBox::RemoveRows(const std::vector<int>& indexes) {
    for (int index : indexes) delete takeItem(index);  // highest first
    m_clickedIndex = -1;
    Relayout();
}

void CDictionaryListBox::RemoveSelected() {
    EndEdit();
    if (m_entries.MarkRemoved(GetSelectedIndexes()) == 0) return;
    RemoveRows(m_entries.RemoveMarked(true));
    viewport()->update();
}

void CDictionaryListBox::Clear() {
    EndEdit();
    RemoveRows(m_entries.Clear());
}

void CDictionaryListBox::SetMeaningType(int typeId) {
    m_entries.SetMeaningType(GetSelectedIndexes(), typeId);
    viewport()->update();
}

void CDictionaryListBox::DeleteAll() {
    if (m_editor) {
        m_editor->disconnect(this);
        m_editor->deleteLater();
        m_editor = nullptr;
    }
    clear();
    m_entries.DeleteAll();
    m_clickedIndex = -1;
}

void CDictionaryListBox::Relayout() {
    scheduleDelayedItemsLayout();
    viewport()->update();
}

BOOL CDictionaryListBox::EditItem(int index) {
    if (m_editMode != 1 || !m_entries.GetItem(index)) return FALSE;
    EndEdit();
    scrollToItem(item(index));
    QRect rect = visualItemRect(item(index));
    rect.setLeft(rect.left() + kLabelWidth);
    const COLORREF color = m_entries.GetItemTextColor(currentRow(), GetSysColor(COLOR_WINDOWTEXT));
    m_editor = new CBasicListCtrlEdit(index, 0, m_entries.GetItemText(index), 0);
    if (!m_editor->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL,
                          CKVXRect(rect), viewport(), kEditorId)) {
        delete m_editor;
        m_editor = nullptr;
        return FALSE;
    }
    m_editor->setFont(m_font);
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Text, KVXToQColor(color));
    m_editor->setPalette(palette);
    connect(m_editor, &CBasicListCtrlEdit::EditEnded, this,
            [this](int row, int, const wchar_t* text) { OnEndLabelEdit(row, text); });
    return TRUE;
}

void CDictionaryListBox::EndEdit() {
    if (m_editor && m_editor->hasFocus()) setFocus();
    if (m_editor) {
        // The editor reports its end when the focus leaves it; one that
        // never had the focus is ended here.
        CBasicListCtrlEdit* editor = m_editor;
        m_editor = nullptr;
        editor->disconnect(this);
        if (!editor->IsCancelled()) OnEndLabelEdit(editor->GetCurrentItem(), editor->GetText().GetString());
        editor->hide();
        editor->deleteLater();
    }
}

void CDictionaryListBox::OnEndLabelEdit(int index, const wchar_t* text) {
    if (m_editor) {
        m_editor->disconnect(this);
        m_editor = nullptr;
    }
    if (!text) return;
    // The multi-line editor ends its lines with CR LF; the entry keeps
    // line feeds only.
    std::wstring value(text);
    value.erase(std::remove(value.begin(), value.end(), L'\r'), value.end());
    if (m_entries.RenameItem(index, value.c_str())) Relayout();
    viewport()->update();
}

int CDictionaryListBox::MeasureItem(int index) const {
    if (!m_entries.GetItem(index)) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return 0;
    }
    const int scrollBar = verticalScrollBar() ? verticalScrollBar()->sizeHint().width() : 0;
    RECT rect{kLabelWidth + 8, 0, std::max(kLabelWidth + 9, viewport()->width() - scrollBar - 4), 0};
    QImage surface(1, 1, QImage::Format_RGB32);
    QPainter painter(&surface);
    painter.setFont(m_font);
    const CBasicString text = m_entries.GetItemText(index);
    DrawText(painter, text.GetString(), -1, &rect, DT_CALCRECT | DT_NOCLIP | DT_WORDBREAK);
    return std::max(kMinimumHeight, static_cast<int>(rect.bottom - rect.top) + 6);
}

void CDictionaryListBox::DrawItem(QPainter& painter, int index, const QRect& area, bool selected,
                                  bool focused) const {
    const CDictionaryListboxItem* entry = m_entries.GetItem(index);
    if (!entry) return;
    painter.setFont(m_font);
    const QRect label(area.left(), area.top(), kLabelWidth, area.height());
    painter.fillRect(label, KVXToQColor(kLabelColor));
    painter.setPen(KVXToQColor(GetSysColor(COLOR_WINDOWTEXT)));
    if (entry->GetKind() != 0) {
        const CBasicString caption = QuenzelString(static_cast<UINT>(entry->GetKind()));
        RECT rect = CKVXRect(label.adjusted(4, 0, 0, 0));
        DrawText(painter, caption.GetString(), -1, &rect, DT_END_ELLIPSIS | DT_NOCLIP | DT_SINGLELINE | DT_VCENTER);
    }

    const QRect textPart(area.left() + kLabelWidth, area.top(), area.width() - kLabelWidth, area.height());
    COLORREF background = index % 2 ? GetSysColor(COLOR_WINDOW) : GetSysColor(COLOR_BTNFACE);
    if (selected) background = kSelectedColor;
    painter.fillRect(textPart, KVXToQColor(background));
    painter.setPen(KVXToQColor(m_entries.GetItemTextColor(index, GetSysColor(COLOR_WINDOWTEXT))));
    RECT rect = CKVXRect(textPart.adjusted(4, 0, 0, 0));
    const UINT format = DT_NOCLIP | (area.height() == kMinimumHeight ? DT_SINGLELINE | DT_VCENTER : DT_WORDBREAK);
    if (format & DT_WORDBREAK) rect.top += 3;
    DrawText(painter, entry->GetText().GetString(), -1, &rect, format);

    if (focused) {
        painter.setPen(QPen(KVXToQColor(kFocusColor), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(textPart.adjusted(0, 0, -1, -1));
    }
}

void CDictionaryListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2) {
        EditItem(currentRow());
        return;
    }
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace()) {
        const int found = m_entries.FindByPrefix(static_cast<wchar_t>(text.at(0).unicode()));
        if (found >= 0) {
            setCurrentRow(found, QItemSelectionModel::ClearAndSelect);
            scrollToItem(item(found));
        }
        return;
    }
    CKVXWnd<QListWidget>::keyPressEvent(event);
}

void CDictionaryListBox::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const QPoint point = event->position().toPoint();
    const QModelIndex hit = indexAt(point);
    if (!hit.isValid() || event->button() != Qt::LeftButton) {
        CKVXWnd<QListWidget>::mousePressEvent(event);
        return;
    }
    const int index = hit.row();
    const int part = point.x() - visualRect(hit).left() < kLabelWidth ? 0 : 1;
    if (index != m_clickedIndex || part != m_clickedPart) {
        m_clickedIndex = index;
        m_clickedPart = part;
        CKVXWnd<QListWidget>::mousePressEvent(event);
        return;
    }
    CKVXWnd<QListWidget>::mousePressEvent(event);
    if (m_editMode == 1 && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) EditItem(index);
}

void CDictionaryListBox::resizeEvent(QResizeEvent* event) {
    // An edit in place ends when the list changes its size.
    if (m_editor && m_editor->hasFocus()) setFocus();
    CKVXWnd<QListWidget>::resizeEvent(event);
    Relayout();
}
