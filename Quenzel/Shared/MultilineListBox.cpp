#include "Quenzel/Shared/MultilineListBox.h"

#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QThread>

#include <algorithm>
#include <iterator>

#include "DataBase/AbstractDataBase.h"
#include "DataBase/DataBaseResult.h"
#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/MultilineListDelegate.h"
#include "Quenzel/Shared/MultilineListModel.h"
#include "Quenzel/Shared/PageHost.h"
#include "Quenzel/Shared/PronunciationDlg.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Shared/VocabularyListNameDlg.h"
#include "Quenzel/Shared/VocabularyListsPage.h"
#include "utility/ErrorReport.h"
#include "utility/StringTableRegistration.h"

namespace {

const char kSourceFile[] = "MultilineListBox";

const StringTableEntry kStrings[] = {
    {31107, L"(%s) has been updated successfully."},
    {31132, L"Vocabulary list (%s) has been created successfully."},
    {31226, L"Pronunciation"},
    {31227, L"Known"},
    {31228, L"Unknown"},
    {31229, L"Show Mean"},
    {31230, L"Edit"},
    {31231, L"Add to"},
    {31232, L"New Vocabulary List"},
    {31236, L"Failed to create (%s) vocabulary list."},
    {31237, L"Word (%s) and its Meaning (%s) already exists in (%s) vocabulary list."},
    {31355, L"Remove"},
};
const CStringTableRegistration kStringsRegistration(kStrings);

constexpr UINT kStatusImagePngs[CMultilineListRows::kStatusImageCount] = {412, 414, 416};
constexpr UINT kSortArrowsPng = 401;
constexpr int kSortArrowSize = 16;
constexpr int kCellMargin = 4;
constexpr int kSingleLineLimit = 30;  // a taller text wraps
constexpr int kMaxPairLists = 99;
const QColor kSelectedBackground(0, 255, 255);
const QColor kEvenBackground(237, 246, 193);
const QColor kSeparator(216, 216, 216);

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

QString Text(UINT id) { return KVXToQString(QuenzelString(id)); }

QImage LoadPendrelPng(UINT id) {
    CKVXImage png;
    if (!KVXLoadPng(KVXGetInstance(), id, png)) return {};
    return KVXImageToQImage(png);
}

CBasicString FormatString(UINT id, const wchar_t* a, const wchar_t* b = nullptr, const wchar_t* c = nullptr) {
    CBasicString text;
    text.Format(QuenzelString(id).GetString(), a, b, c);
    return text;
}

} // namespace

CMultilineListBox::CMultilineListBox(const QuenzelServices& services, QWidget* owner, QWidget* parent)
    : CKVXWnd<QListView>(parent), m_services(services), m_owner(owner), m_model(new CMultilineListModel(m_rows, this)) {
    ReportAssertion(owner != nullptr, kSourceFile, __LINE__);
    setModel(m_model);
    setItemDelegate(new CMultilineListDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(false);
    setResizeMode(QListView::Adjust);
    setWordWrap(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(false);
    m_normalFont = m_leftFont = m_rightFont = font();
}

CMultilineListBox::~CMultilineListBox() {
    // Editors that ended but are not deleted yet must not call back.
    for (CBasicListCtrlEdit* editor : viewport()->findChildren<CBasicListCtrlEdit*>()) {
        disconnect(editor, nullptr, this, nullptr);
        delete editor;
    }
    m_pronunciation.reset();
    // The model reads the rows: it goes before them.
    setModel(nullptr);
    delete m_model;
    m_rows.ResetContent();
}

void CMultilineListBox::SetMode(int mode) {
    m_rows.SetMode(mode);
    viewport()->update();
}

void CMultilineListBox::SetRightToLeft(int wordColumn, int meaningColumn) {
    m_rightToLeftWord = wordColumn;
    m_rightToLeftMeaning = meaningColumn;
    viewport()->update();
}

void CMultilineListBox::LoadImages() {
    if (m_statusImages.empty()) {
        for (UINT id : kStatusImagePngs) m_statusImages.push_back(LoadPendrelPng(id));
    }
    if (m_sortArrows.empty()) {
        const QImage strip = LoadPendrelPng(kSortArrowsPng);
        ReportAssertion(!strip.isNull(), kSourceFile, __LINE__);
        for (int x = 0; x + kSortArrowSize <= strip.width(); x += kSortArrowSize)
            m_sortArrows.push_back(strip.copy(x, 0, kSortArrowSize, kSortArrowSize));
    }
    if (const COptions* options = m_services.options) {
        LOGFONTW font{};
        options->GetNormalFont(font);
        m_normalFont = KVXFontFromLogFont(font);
        options->GetLeftFont(font);
        m_leftFont = KVXFontFromLogFont(font);
        options->GetRightFont(font);
        m_rightFont = KVXFontFromLogFont(font);
    }
    RecalcHeights();
}

void CMultilineListBox::AddRow(const GridRow& row) {
    m_rows.AddRow(row);
    m_model->RequestSync();
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                std::vector<int> selected;
                GetSelectedRows(selected);
                const int last = m_rows.GetRowCount() - 1;
                const GridRow* added = m_rows.GetRow(last);
                if (selected.empty() && added && !(added->flags & GRIDROW_HEADING)) SetCurrentCell(last, m_currentColumn);
            },
            Qt::QueuedConnection);
        return;
    }
    std::vector<int> selected;
    GetSelectedRows(selected);
    const int last = m_rows.GetRowCount() - 1;
    if (selected.empty() && !(row.flags & GRIDROW_HEADING)) SetCurrentCell(last, m_currentColumn);
}

void CMultilineListBox::AddRows(std::vector<GridRow>&& rows) {
    std::vector<int> selected;
    GetSelectedRows(selected);
    const bool selectFirst = selected.empty() && !rows.empty() && !(rows.front().flags & GRIDROW_HEADING);
    const int first = m_rows.AddRows(std::move(rows));
    if (first < 0) return;
    m_model->RequestSync();
    if (selectFirst) SetCurrentCell(first, m_currentColumn);
}

void CMultilineListBox::AddHeadingRow(const wchar_t* first, const wchar_t* second) {
    if (m_rows.AddHeadingRow(first, second) >= 0) m_model->RequestSync();
}

void CMultilineListBox::SetFirstRowTexts(const wchar_t* first, const wchar_t* second) {
    if (m_rows.SetFirstRowTexts(first, second)) m_model->RequestSync();
}

void CMultilineListBox::ResetContent() {
    m_languageId = 0;
    m_rows.ResetContent();
    m_pictures.clear();
    m_model->RequestSync();
    if (QThread::currentThread() == thread()) {
        ReleaseLayout();
    } else {
        QMetaObject::invokeMethod(this, [this] { ReleaseLayout(); }, Qt::QueuedConnection);
    }
}

void CMultilineListBox::ReleaseLayout() {
    // The list view keeps the room of its row positions through a reset: 4
    // to 8 bytes for every row it once laid out, megabytes after a long
    // list. Its layout engine is made anew instead, and the list-mode
    // settings come back with it (those set here explicitly stay).
    setViewMode(QListView::IconMode);
    setViewMode(QListView::ListMode);
}

void CMultilineListBox::DeleteRow(int index) {
    if (m_model->RemoveRow(index)) {
        if (m_currentRow >= m_rows.GetRowCount()) m_currentRow = -1;
        viewport()->update();
    } else {
        ReportAssertion(FALSE, kSourceFile, __LINE__);
    }
}

void CMultilineListBox::GetSelectedRows(std::vector<int>& rows) const {
    rows.clear();
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) {
        const QModelIndex caret = currentIndex();
        if (caret.isValid() && caret.row() < m_rows.GetRowCount()) rows.push_back(caret.row());
    }
}

void CMultilineListBox::MarkSelected(BOOL known) {
    std::vector<int> rows;
    GetSelectedRows(rows);
    MarkRows(rows, known);
}

void CMultilineListBox::MarkRows(const std::vector<int>& rows, BOOL known) {
    CProgressDlg* progress = m_services.progress;
    std::function<bool()> running;
    if (progress && progress->IsCreated()) running = [progress] { return progress->IsRunning() != FALSE; };
    AfterMark(m_rows.Mark(rows, known != FALSE, running), rows.size() > 1);
}

void CMultilineListBox::AfterMark(const CMultilineListRows::MarkResult& result, bool) {
    if (!result.changed) return;
    m_model->RequestSync();
    // The mark forgot the heights of the rows it changed.
    if (QThread::currentThread() == thread()) {
        Relayout();
    } else {
        QMetaObject::invokeMethod(this, [this] { Relayout(); }, Qt::QueuedConnection);
    }
    SendMessage(m_owner, WM_MULTILINE_CHANGED, 0, 1);
    SendMessage(m_owner, WM_MULTILINE_MARKED, static_cast<WPARAM>(result.lastIndex), 0);
}

void CMultilineListBox::SetMeaningsHidden(BOOL hidden) {
    m_rows.SetMeaningsHidden(hidden != FALSE);
    viewport()->update();
}

void CMultilineListBox::RecalcHeights() {
    m_rows.ForgetHeights();
    Relayout();
}

void CMultilineListBox::Relayout() {
    m_model->Sync();
    doItemsLayout();
    viewport()->update();
}

void CMultilineListBox::SortRows(int wordColumn, BOOL ascending) {
    if (m_model->Reorder([&] { return m_rows.Sort(wordColumn, ascending != FALSE); })) Relayout();
}

void CMultilineListBox::SetCurrentCell(int row, int column) {
    m_currentRow = row;
    m_currentColumn = column;
    const QModelIndex index = m_model->index(row);
    if (!index.isValid()) return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    viewport()->update();
}

int CMultilineListBox::ColumnAt(const QPoint& point) const {
    const int width = viewport()->width();
    if (point.x() < 0 || point.x() >= width) return -1;
    return point.x() < width / 2 ? 0 : 1;
}

// Measuring and drawing.

int CMultilineListBox::TextHeight(const QFont& font, int width, const CBasicString& text) const {
    const QFontMetrics metrics(font);
    return metrics.boundingRect(QRect(0, 0, std::max(1, width), 100000), Qt::TextWordWrap, KVXToQString(text))
        .height();
}

int CMultilineListBox::MeasureItem(int index) const {
    // The viewport's width leaves the vertical scroll bar out already.
    const int width = viewport()->width();
    if (width != m_measuredWidth) {
        m_rows.ForgetHeights();
        m_measuredWidth = width;
    }
    // Each row is measured once (until its texts, the fonts or the width
    // change) and read in place: every layout asks for every row.
    const int height = m_rows.Height(index, [&](const GridRow& row) {
        const bool hasImage = !m_statusImages.empty() && row.imageIndex >= 0;
        const int columnWidth = CMultilineListRows::ColumnWidth(width, 0, hasImage);
        const bool heading = (row.flags & GRIDROW_HEADING) != 0;
        int wordHeight = 0;
        if (!heading && m_languageId == kPictureLanguageId && static_cast<int64_t>(row.word.m_value) > 0)
            wordHeight = CMultilineListRows::kPictureHeight;
        else
            wordHeight = TextHeight(heading ? m_normalFont : m_leftFont, columnWidth, row.word.m_text);
        const int meaningHeight = TextHeight(heading ? m_normalFont : m_rightFont, columnWidth, row.meaning.m_text);
        return CMultilineListRows::ItemHeight(wordHeight, meaningHeight);
    });
    return height > 0 ? height : CMultilineListRows::kMinItemHeight;
}

void CMultilineListBox::SetLanguageId(int languageId) {
    if (languageId == m_languageId) return;
    m_languageId = languageId;
    // The picture language's words are pictures of their own height.
    m_rows.ForgetHeights();
}

QRect CMultilineListBox::CellRect(const QRect& item, int column, bool hasImage) const {
    const int middle = item.left() + item.width() / 2;
    if (column == 0) {
        const int left = item.left() + kCellMargin + (hasImage ? CMultilineListRows::kStatusImageWidth : 0);
        return QRect(QPoint(left, item.top()), QPoint(middle - kCellMargin, item.bottom()));
    }
    return QRect(QPoint(middle + kCellMargin, item.top()), QPoint(item.right() - kCellMargin, item.bottom()));
}

const QImage* CMultilineListBox::WordPicture(int64_t wordId) const {
    auto found = m_pictures.find(wordId);
    if (found == m_pictures.end()) {
        QImage image;
        if (CAbstractDataBase* database = m_services.database) {
            PictureRecord picture;
            if (database->GetWordPicture(wordId, picture) == DATABASE_OK && !picture.bytes.empty())
                image.loadFromData(picture.bytes.data(), static_cast<int>(picture.bytes.size()));
        }
        found = m_pictures.emplace(wordId, image).first;
    }
    return found->second.isNull() ? nullptr : &found->second;
}

void CMultilineListBox::DrawItem(QPainter& painter, const QRect& rect, int index, bool selected,
                                 bool focused) const {
    GridRow row;
    if (!m_rows.CopyRow(index, row)) return;
    const int mode = m_rows.GetMode();
    const bool heading = (row.flags & GRIDROW_HEADING) != 0;
    painter.save();

    // Background.
    QColor background = (index % 2) ? QColor(Qt::white) : kEvenBackground;
    if (heading) {
        QStyleOptionButton button;
        button.rect = rect;
        button.state = QStyle::State_Enabled | QStyle::State_Raised;
        button.palette = HeadingPalette();
        painter.fillRect(rect, ToQColor(GetSysColor(COLOR_BTNFACE)));
        style()->drawControl(QStyle::CE_PushButtonBevel, &button, &painter, this);
        background = ToQColor(GetSysColor(COLOR_BTNFACE));
    } else {
        if (selected) background = kSelectedBackground;
        painter.fillRect(rect, background);
    }

    // Text colour.
    CMultilineListRows::Colors colors;
    if (const COptions* options = m_services.options) {
        colors.normal = options->GetNormalColor();
        colors.known = options->GetKnownColor();
        colors.unknown = options->GetUnknownColor();
    }
    colors.windowText = GetSysColor(COLOR_WINDOWTEXT);
    const QColor textColor = heading ? ToQColor(colors.windowText)
                                     : ToQColor(CMultilineListRows::TextColor(row, mode, colors));

    const bool hasImage = !heading && row.imageIndex >= 0 && row.imageIndex < static_cast<int>(m_statusImages.size());
    if (hasImage) {
        const QImage& image = m_statusImages[static_cast<size_t>(row.imageIndex)];
        const int top = rect.height() <= CMultilineListRows::kMinItemHeight ? 1 : (rect.height() - 24) / 2;
        painter.drawImage(QPoint(rect.left() + kCellMargin, rect.top() + top), image);
    }

    for (int column = 0; column < 2; ++column) {
        const QRect cell = CellRect(rect, column, hasImage);
        const CBasicString& text = column == 0 ? row.word.m_text : row.meaning.m_text;
        QFont font = heading ? m_normalFont : (column == 0 ? m_leftFont : m_rightFont);
        const bool current = !heading && mode != MULTILINE_MODE_DICTIONARY && (selected || focused) &&
                             column == m_currentColumn;
        if (heading) {
            font.setWeight(QFont::Bold);
            font.setUnderline(true);
        } else if (current) {
            font.setUnderline(true);
        }
        if (column == 0 && !heading && m_languageId == kPictureLanguageId &&
            static_cast<int64_t>(row.word.m_value) > 0) {
            if (const QImage* picture = WordPicture(static_cast<int64_t>(row.word.m_value))) {
                const QRect target(cell.left(), cell.top() + (cell.height() - 96) / 2, 96, 96);
                painter.drawImage(target, *picture);
                continue;
            }
        }
        QString shown = KVXToQString(text);
        QColor color = textColor;
        if (column == 1 && !heading && row.IsMeaningHidden()) {
            if (current)
                shown = QString(shown.size(), QLatin1Char(' '));
            else
                color = background;
        }
        const bool rightToLeft = !heading && (column == 0 ? m_rightToLeftWord : m_rightToLeftMeaning);
        const bool wrap = TextHeight(font, cell.width(), text) > kSingleLineLimit;
        int flags = wrap ? (Qt::TextWordWrap | Qt::AlignTop) : (Qt::TextSingleLine | Qt::AlignVCenter);
        flags |= rightToLeft ? Qt::AlignRight : Qt::AlignLeft;
        QRect textRect = cell;
        if (wrap) textRect.adjust(0, 3, 0, -3);
        painter.setFont(font);
        painter.setPen(color);
        painter.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        painter.drawText(textRect, flags, shown);
        if (heading && column == m_rows.GetSortedColumn()) {
            const size_t arrow = m_rows.IsSortAscending() ? 2 : 1;
            const QRect columnRect = column == 0 ? QRect(QPoint(rect.left(), rect.top()),
                                                         QPoint(rect.left() + rect.width() / 2, rect.bottom()))
                                                 : QRect(QPoint(rect.left() + rect.width() / 2, rect.top()),
                                                         rect.bottomRight());
            if (arrow < m_sortArrows.size())
                painter.drawImage(QPoint(columnRect.right() - 20, columnRect.top() + 3), m_sortArrows[arrow]);
        }
    }

    const int middle = rect.left() + rect.width() / 2;
    painter.setPen(kSeparator);
    painter.drawLine(middle, rect.top(), middle, rect.bottom());
    if (focused && !heading) {
        painter.setPen(QColor(0, 0, 255));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

// The heading row on top.

const QPalette& CMultilineListBox::HeadingPalette() const {
    // Made again only when the list's palette or the button colour changed:
    // the style keeps each bevel it draws under the palette's identity, and
    // a palette made for every paint filled its cache with copies.
    const QColor face = ToQColor(GetSysColor(COLOR_BTNFACE));
    if (m_headingPaletteOf != palette().cacheKey() || m_headingPalette.color(QPalette::Button) != face) {
        m_headingPalette = palette();
        m_headingPaletteOf = palette().cacheKey();
        m_headingPalette.setColor(QPalette::Button, face);
    }
    return m_headingPalette;
}

int CMultilineListBox::HeadingHeight() const {
    if (!m_rows.HasHeadingRow() || m_model->rowCount() == 0) return 0;
    return QListView::visualRect(m_model->index(0)).height();
}

QRect CMultilineListBox::visualRect(const QModelIndex& index) const {
    const QRect rect = QListView::visualRect(index);
    if (!index.isValid() || index.row() != 0 || !m_rows.HasHeadingRow()) return rect;
    return rect.translated(0, -rect.top());
}

QModelIndex CMultilineListBox::indexAt(const QPoint& point) const {
    if (point.y() >= 0 && point.y() < HeadingHeight() && point.x() >= 0 && point.x() < viewport()->width())
        return m_model->index(0);
    return QListView::indexAt(point);
}

void CMultilineListBox::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QListView::scrollTo(index, hint);
    const int heading = HeadingHeight();
    if (!index.isValid() || index.row() == 0 || heading == 0) return;
    const int top = visualRect(index).top();
    if (top < heading) verticalScrollBar()->setValue(verticalScrollBar()->value() - (heading - top));
}

void CMultilineListBox::paintEvent(QPaintEvent* event) {
    CKVXWnd<QListView>::paintEvent(event);
    const int heading = HeadingHeight();
    if (heading == 0 || verticalOffset() == 0) return;
    // The rows under the heading row were drawn first; it covers them.
    QPainter painter(viewport());
    DrawItem(painter, QRect(0, 0, viewport()->width(), heading), 0, false, false);
}

// Mouse and keys.

void CMultilineListBox::RunClickAction(int row, int column) {
    CMultilineListRows::MarkResult mark;
    switch (m_rows.ClickAction(row, column, &mark)) {
    case CMultilineListRows::CLICK_SHOWED_MEANING:
        viewport()->update();
        break;
    case CMultilineListRows::CLICK_MARKED:
        AfterMark(mark, false);
        break;
    default:
        break;
    }
}

void CMultilineListBox::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    const int column = ColumnAt(point);
    if (!index.isValid() || column < 0) {
        CKVXWnd<QListView>::mousePressEvent(event);
        return;
    }
    const int row = index.row();
    const GridRow* target = m_rows.GetRow(row);
    const bool heading = target && (target->flags & GRIDROW_HEADING);
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::RightButton) {
        if (heading) return;
        SetCurrentCell(row, column);
        QMenu menu(this);
        BuildContextMenu(menu);
        if (menu.actions().isEmpty()) return;
        if (QAction* chosen = menu.exec(event->globalPosition().toPoint())) OnMenuCommand(chosen->data().toUInt());
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (heading) {
        if (m_model->Reorder([&] { return m_rows.SortByHeadingClick(column); })) Relayout();
        viewport()->update();
        return;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
        CKVXWnd<QListView>::mousePressEvent(event);
        m_currentRow = row;
        m_currentColumn = column;
        return;
    }
    RunClickAction(row, column);
    if (row != m_currentRow || column != m_currentColumn) {
        SetCurrentCell(row, column);
    } else {
        if (!selectionModel()->isSelected(index)) SetCurrentCell(row, column);
        if (m_rows.GetMode() == MULTILINE_MODE_EDITOR) StartEdit(row, column);
    }
}

void CMultilineListBox::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CMultilineListBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Space: {
        std::vector<int> rows;
        GetSelectedRows(rows);
        for (int row : rows) RunClickAction(row, m_currentColumn);
        event->accept();
        return;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
        m_currentColumn = event->key() == Qt::Key_Left ? 0 : 1;
        const QModelIndex caret = currentIndex();
        if (caret.isValid()) SetCurrentCell(caret.row(), m_currentColumn);
        event->accept();
        return;
    }
    case Qt::Key_Up: {
        const QModelIndex caret = currentIndex();
        if (caret.isValid() && caret.row() == 1 && m_rows.HasHeadingRow()) {
            event->accept();
            return;
        }
        break;
    }
    case Qt::Key_F2:
        if (currentIndex().isValid()) StartEdit(currentIndex().row(), m_currentColumn);
        event->accept();
        return;
    default: {
        const QString text = event->text();
        if (text.size() == 1 && text.at(0).isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
            const int row = m_rows.FindRowStartingWith(static_cast<wchar_t>(text.at(0).unicode()), m_currentColumn);
            if (row >= 0) {
                SetCurrentCell(row, m_currentColumn);
                scrollTo(m_model->index(row));
            }
            event->accept();
            return;
        }
        break;
    }
    }
    CKVXWnd<QListView>::keyPressEvent(event);
    const QModelIndex caret = currentIndex();
    if (caret.isValid()) m_currentRow = caret.row();
}

bool CMultilineListBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return CKVXWnd<QListView>::event(event);
}

void CMultilineListBox::resizeEvent(QResizeEvent* event) {
    TakeFocusFromEditor();
    CKVXWnd<QListView>::resizeEvent(event);
    doItemsLayout();
}

void CMultilineListBox::scrollContentsBy(int dx, int dy) {
    TakeFocusFromEditor();
    CKVXWnd<QListView>::scrollContentsBy(dx, dy);
    // The scroll moved the heading row's pixels with the rows: drawn again.
    if (dy != 0 && m_rows.HasHeadingRow()) viewport()->update();
}

// In-place edit.

void CMultilineListBox::TakeFocusFromEditor() {
    if (m_editor && m_editor->hasFocus()) setFocus(Qt::OtherFocusReason);
}

BOOL CMultilineListBox::StartEdit(int row, int column) {
    if (m_rows.GetMode() == MULTILINE_MODE_DICTIONARY || column < 0 || column > 1) return FALSE;
    GridRow copy;
    if (!m_rows.CopyRow(row, copy) || (copy.flags & GRIDROW_HEADING)) return FALSE;
    if (m_editor) setFocus(Qt::OtherFocusReason);
    const QRect item = visualRect(m_model->index(row));
    const int middle = item.left() + item.width() / 2;
    const bool hasImage = copy.imageIndex >= 0 && !m_statusImages.empty();
    RECT rect{};
    if (column == 1) {
        rect = {middle + 8, item.top(), item.right() - 4, item.bottom() + 1};
    } else {
        rect = {item.left() + (hasImage ? CMultilineListRows::kStatusImageWidth : 0), item.top(), middle - 4,
                item.bottom() + 1};
    }
    auto* editor = new CBasicListCtrlEdit(row, column, column == 0 ? copy.word.m_text : copy.meaning.m_text, 0);
    if (!editor->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL, rect, viewport(),
                        IDC_MULTILINE_EDITOR)) {
        delete editor;
        return FALSE;
    }
    editor->setFont(column == 0 ? m_leftFont : m_rightFont);
    CMultilineListRows::Colors colors;
    if (const COptions* options = m_services.options) {
        colors.normal = options->GetNormalColor();
        colors.known = options->GetKnownColor();
        colors.unknown = options->GetUnknownColor();
    }
    colors.windowText = GetSysColor(COLOR_WINDOWTEXT);
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Text, ToQColor(CMultilineListRows::TextColor(copy, m_rows.GetMode(), colors)));
    editor->setPalette(palette);
    m_editor = editor;
    connect(editor, &CBasicListCtrlEdit::EditEnded, this,
            [this, editor](int editedRow, int editedColumn, const wchar_t* text) {
                if (m_editor == editor) m_editor = nullptr;
                OnEndEdit(editedRow, editedColumn, text);
            });
    return TRUE;
}

void CMultilineListBox::OnEndEdit(int row, int column, const wchar_t* text) {
    viewport()->update();
    if (!text) return;
    bool stored = false;
    int changed = 0;
    const bool found = m_rows.ChangeRow(row, [&](GridRow& target) {
        CGridListCtrl_Data& cell = column == 0 ? target.word : target.meaning;
        stored = cell.m_value != 0;
        if (!stored) {
            // A row not stored yet takes the text as loaded too; a new text
            // is still a change its owner has to offer to save.
            changed = cell.m_text.Compare(text) != 0 ? 1 : 0;
            cell.m_text = text;
            cell.m_secondText = text;
            return;
        }
        cell.m_text = text;
        changed = cell.m_text.Compare(cell.m_secondText.GetString());
    });
    if (!found) return;
    m_rows.ForgetHeight(row);
    Relayout();
    if (!stored) {
        if (changed) {
            m_rows.SetModified(true);
            SendMessage(m_owner, WM_MULTILINE_CHANGED, 0, 1);
        }
        return;
    }
    if (changed != 0) {
        m_rows.SetModified(true);
        SendMessage(m_owner, WM_MULTILINE_CHANGED, 0, changed);
    }
}

// The context menu.

void CMultilineListBox::BuildContextMenu(QMenu& menu) {
    const int mode = m_rows.GetMode();
    GridRow row;
    if (!m_rows.CopyRow(m_currentRow, row) || (row.flags & GRIDROW_HEADING)) return;
    auto add = [&menu](QMenu& into, const QString& text, UINT id) {
        QAction* action = into.addAction(text);
        action->setData(id);
        return action;
    };
    if (mode == MULTILINE_MODE_LEARNING || mode == MULTILINE_MODE_DICTIONARY) {
        const bool wordSide = m_currentColumn == 0;
        const int64_t owner = static_cast<int64_t>(wordSide ? row.word.m_value : row.meaning.m_value);
        m_pronunciation = std::make_unique<CPronunciationDlg>(m_services.database, this, owner, FALSE,
                                                              wordSide ? 1 : 0);
        m_pronunciation->LoadPronunciations(owner, wordSide ? 1 : 0);
        const std::vector<PronunciationRecord>* sounds = m_pronunciation->GetCurrentSounds();
        if (sounds && !sounds->empty()) {
            UINT id = IDC_MULTILINE_FIRST_SOUND;
            for (const PronunciationRecord& sound : *sounds) {
                if (id > IDC_MULTILINE_LAST_SOUND) break;
                CBasicString text;
                text.Format(L"%s %d", QuenzelString(31226).GetString(), sound.number);
                add(menu, KVXToQString(text), id++);
            }
            menu.addSeparator();
        }
    }
    if (mode == MULTILINE_MODE_LEARNING) {
        add(menu, Text(31227), IDC_MULTILINE_KNOWN);
        add(menu, Text(31228), IDC_MULTILINE_UNKNOWN);
        menu.addSeparator();
        if (row.IsMeaningHidden()) {
            add(menu, Text(31229), IDC_MULTILINE_SHOW_MEAN);
            menu.addSeparator();
        }
        // Edit and Remove stay visible but do nothing without the edit flag.
        add(menu, Text(31230), IDC_MULTILINE_EDIT)->setEnabled(m_editFlag != 0);
        add(menu, Text(31355), IDC_MULTILINE_REMOVE)->setEnabled(m_editFlag != 0);
    } else if (mode == MULTILINE_MODE_EDITOR) {
        add(menu, Text(31226), IDC_MULTILINE_PRONUNCIATION);
        menu.addSeparator();
        add(menu, Text(31230), IDC_MULTILINE_EDIT);
        add(menu, Text(31355), IDC_MULTILINE_REMOVE);
    } else if (mode == MULTILINE_MODE_DICTIONARY && m_pairWindow) {
        QMenu* addTo = menu.addMenu(Text(31231));
        add(*addTo, Text(31232), IDC_MULTILINE_NEW_LIST);
        addTo->addSeparator();
        UINT id = IDC_MULTILINE_FIRST_LIST;
        for (const VocabularyListRecord* list : GetPairLists()) add(*addTo, KVXToQString(list->name), id++);
    }
}

void CMultilineListBox::OnMenuCommand(UINT id) {
    std::vector<int> selected;
    GetSelectedRows(selected);
    switch (id) {
    case IDC_MULTILINE_KNOWN:
    case IDC_MULTILINE_UNKNOWN:
    case IDC_MULTILINE_REMOVE:
        SendMessage(m_owner, WM_COMMAND, id, 0);
        return;
    case IDC_MULTILINE_EDIT:
        if (!selected.empty()) StartEdit(selected.front(), m_currentColumn);
        return;
    case IDC_MULTILINE_SHOW_MEAN:
        if (!selected.empty()) {
            m_rows.ChangeRow(selected.front(), [](GridRow& row) { row.SetMeaningHidden(false); });
            viewport()->update();
        }
        return;
    case IDC_MULTILINE_PRONUNCIATION:
        OpenPronunciation();
        return;
    case IDC_MULTILINE_NEW_LIST:
        OnNewList();
        return;
    default:
        break;
    }
    if (id >= IDC_MULTILINE_FIRST_SOUND && id <= IDC_MULTILINE_LAST_SOUND)
        PlayCellSound(static_cast<int>(id - IDC_MULTILINE_FIRST_SOUND));
    else if (id >= IDC_MULTILINE_FIRST_LIST && id <= IDC_MULTILINE_LAST_LIST)
        OnAddToList(static_cast<int>(id - IDC_MULTILINE_FIRST_LIST));
}

void CMultilineListBox::OpenPronunciation() {
    std::vector<int> selected;
    GetSelectedRows(selected);
    GridRow row;
    if (selected.empty() || !m_rows.CopyRow(selected.front(), row) || (row.flags & GRIDROW_HEADING)) return;
    const bool wordSide = m_currentColumn == 0;
    const int64_t owner = static_cast<int64_t>(wordSide ? row.word.m_value : row.meaning.m_value);
    m_pronunciation = std::make_unique<CPronunciationDlg>(m_services.database, this, owner, TRUE,
                                                              wordSide ? 1 : 0);
    m_pronunciation->SetListCtrl(m_rows.GetMode());
    m_pronunciation->DoModal();
}

void CMultilineListBox::PlayCellSound(int number) {
    if (m_pronunciation) m_pronunciation->PlaySound(static_cast<size_t>(number));
}

// Adding rows to vocabulary lists.

std::vector<GridRow> CMultilineListBox::SelectedRowCopies() const {
    std::vector<int> selected;
    GetSelectedRows(selected);
    std::vector<GridRow> rows;
    for (int index : selected) {
        GridRow row;
        if (m_rows.CopyRow(index, row) && !(row.flags & GRIDROW_HEADING)) rows.push_back(row);
    }
    return rows;
}

int CMultilineListBox::StoreSelectedRows(VocabularyListRecord& list, bool create, int& added) {
    added = 0;
    CAbstractDataBase* database = m_services.database;
    if (!database) return DATABASE_NOT_OPEN;
    const CBasicString today = Today();
    return CMultilineListRows::StoreRowsInList(*database, list, create, SelectedRowCopies(), today.GetString(),
                                               added);
}

CVocabularyListsPage* CMultilineListBox::TutorPage() const {
    auto* main = qobject_cast<CPageHost*>(m_pairWindow);
    return main ? main->GetVocabularyListsPage() : nullptr;
}

std::vector<VocabularyListRecord*> CMultilineListBox::GetPairLists() const {
    std::vector<VocabularyListRecord*> lists;
    auto* main = qobject_cast<CPageHost*>(m_pairWindow);
    CVocabularyListsPage* tutor = TutorPage();
    CVocabularyListCtrl* control = tutor ? tutor->GetListCtrl() : nullptr;
    if (!main || !control) return lists;
    int first = 0, second = 0;
    main->GetSelectedLanguages(&first, &second);
    for (int row = 0; row < control->GetItemCount() && static_cast<int>(lists.size()) < kMaxPairLists; ++row) {
        auto* list = static_cast<VocabularyListRecord*>(control->GetItem(row));
        if (list && list->fromLanguage == first && list->toLanguage == second) lists.push_back(list);
    }
    return lists;
}

QWidget* CMultilineListBox::MessageParent() const { return m_pairWindow ? m_pairWindow : window(); }

int CMultilineListBox::ShowMessage(const wchar_t* text, UINT flags) {
    if (auto* main = qobject_cast<CPageHost*>(m_pairWindow)) return main->ShowMessageBox(text, flags);
    return QuenzelMessageBox(MessageParent(), text, flags);
}

CBasicString CMultilineListBox::Today() const {
    const QDate today = QDate::currentDate();
    CBasicString text;
    text.Format(L"%04d-%02d-%02d", today.year(), today.month(), today.day());
    return text;
}

bool CMultilineListBox::AskNewListName(CBasicString& name) {
    CVocabularyListNameDlg dialog(m_services, qobject_cast<CPageHost*>(m_pairWindow), this);
    if (dialog.DoModal() != IDOK) return false;
    name = dialog.GetListName();
    return true;
}

void CMultilineListBox::OnAddToList(int listNumber) {
    const std::vector<VocabularyListRecord*> lists = GetPairLists();
    if (listNumber < 0 || listNumber >= static_cast<int>(lists.size())) return;
    VocabularyListRecord* list = lists[static_cast<size_t>(listNumber)];
    VocabularyListRecord updated;
    updated.Copy(*list);
    int added = 0;
    const int result = StoreSelectedRows(updated, false, added);
    if (result == DATABASE_OK) {
        int row = -1;
        if (CVocabularyListsPage* tutor = TutorPage(); tutor && tutor->FindListRow(updated.id, row))
            tutor->SetListRow(&updated, row, 1);
        ShowMessage(FormatString(31107, updated.name.GetString()).GetString(), MB_OK | MB_ICONINFORMATION);
    } else if (result == DATABASE_EXISTS) {
        const std::vector<GridRow> rows = SelectedRowCopies();
        const CBasicString word = rows.empty() ? CBasicString() : rows.front().word.m_secondText;
        const CBasicString meaning = rows.empty() ? CBasicString() : rows.front().meaning.m_secondText;
        ShowMessage(FormatString(31237, word.GetString(), meaning.GetString(), list->name.GetString()).GetString(),
                    MB_OK | MB_ICONINFORMATION);
    } else if (IsStorageFailure(result)) {
        ShowMessage(StorageFailureText().GetString(), MB_OK | MB_ICONERROR);
    } else {
        ShowMessage(FormatString(31236, list->name.GetString()).GetString(), MB_OK | MB_ICONERROR);
    }
}

void CMultilineListBox::OnNewList() {
    auto* main = qobject_cast<CPageHost*>(m_pairWindow);
    CAbstractDataBase* database = m_services.database;
    CBasicString name;
    if (!main || !database || !AskNewListName(name)) return;
    auto list = std::make_unique<VocabularyListRecord>();
    list->name = name;
    main->GetSelectedLanguages(&list->fromLanguage, &list->toLanguage);
    list->wordCount = 0;
    list->secondText = Today();
    // The list is made together with its rows: a failure leaves none.
    int added = 0;
    const int result = StoreSelectedRows(*list, true, added);
    if (result == DATABASE_OK) {
        const CBasicString text = FormatString(31132, list->name.GetString());
        if (CVocabularyListsPage* tutor = TutorPage()) tutor->SetListRow(list.release(), 0, 0);
        ShowMessage(text.GetString(), MB_OK | MB_ICONINFORMATION);
    } else if (IsStorageFailure(result)) {
        ShowMessage(StorageFailureText().GetString(), MB_OK | MB_ICONERROR);
    } else {
        ShowMessage(FormatString(31236, list->name.GetString()).GetString(), MB_OK | MB_ICONERROR);
    }
}
