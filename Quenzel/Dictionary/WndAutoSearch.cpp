#include "Quenzel/Dictionary/WndAutoSearch.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/Dictionary/AutoSearchClock.h"
#include "Quenzel/Dictionary/EditAutoSearch.h"

namespace {

constexpr int kBorder = 1;     // SM_CYBORDER
constexpr int kTextLeft = 2;
constexpr int kGripLines = 20;

} // namespace

CWndAutoSearch::CWndAutoSearch()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint),
      m_scrollBar(new QScrollBar(Qt::Vertical, this)),
      m_ownClock(std::make_unique<CAutoSearchClock>()),
      m_clock(m_ownClock.get()) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->hide();
    m_rowHeight = std::max(1, QFontMetrics(font()).boundingRect(QStringLiteral("Hg")).height());
    m_rowHeight = std::max(m_rowHeight, QFontMetrics(font()).height());
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == m_model.GetFirstVisible()) return;
        m_model.SetFirstVisible(value);
        update();
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) HidePopup();
    });
    resize(200, 200);
}

CWndAutoSearch::~CWndAutoSearch() {
    // The clock's timers call back into this window: stop them first.
    m_clock->StopTimer(m_watchTimer);
    m_clock->StopTimer(m_scrollTimer);
    m_clock->StopTimer(m_hideTimer);
}

void CWndAutoSearch::SetOwner(QWidget* ownerEdit, QWidget* ownerDialog) {
    m_ownerEdit = ownerEdit;
    m_ownerDialog = ownerDialog;
    if (ownerEdit) {
        setFont(ownerEdit->font());
        m_rowHeight = std::max(1, QFontMetrics(font()).height());
    }
}

void CWndAutoSearch::SetClock(CAutoSearchClock* clock) {
    for (int* timer : {&m_watchTimer, &m_scrollTimer, &m_hideTimer}) {
        m_clock->StopTimer(*timer);
        *timer = 0;
    }
    m_clock = clock ? clock : m_ownClock.get();
    if (isVisible()) m_watchTimer = m_clock->StartTimer(kOwnerWatchMilliseconds, true, [this] { OnWatchTick(); });
}

int CWndAutoSearch::ShowFiltered(int64_t start, const std::wstring& text) {
    if (!m_ownerEdit || m_model.Filter(start, text) < 0) {
        HidePopup();
        return -1;
    }
    if (m_model.GetCount() == 0) {
        HidePopup();
        return 1;
    }
    const QPoint corner = m_ownerEdit->mapToGlobal(QPoint(0, m_ownerEdit->height()));
    QSize size(m_ownerEdit->width(), m_model.GetShownRowCount() * m_rowHeight + 2 * kBorder);
    if (!m_userSize.isEmpty()) size = m_userSize;
    setGeometry(QRect(corner, size));
    UpdateLayout();
    if (!isVisible()) show();
    raise();
    update();
    return 0;
}

void CWndAutoSearch::HidePopup() {
    if (isVisible()) hide();
}

std::wstring CWndAutoSearch::MoveSelection(CAutoSearchModel::Key key) {
    std::wstring text = m_model.MoveSelection(key);
    ScrollTo(m_model.GetSelection(), m_model.IsSmoothScroll());
    update();
    return text;
}

CAutoSearchModel::Navigation CWndAutoSearch::Navigate(CAutoSearchModel::Key key) {
    CAutoSearchModel::Navigation navigation = m_model.Navigate(key);
    ScrollTo(m_model.GetSelection(), m_model.IsSmoothScroll());
    update();
    return navigation;
}

bool CWndAutoSearch::ScrollTo(int row, bool smooth) {
    StopScrolling();
    const int target = m_model.ScrollTarget(row);
    if (target == m_model.GetFirstVisible()) return false;
    if (smooth)
        ScrollOneStep(target);
    else {
        m_model.SetFirstVisible(target);
        m_scrollBar->setValue(m_model.GetFirstVisible());
    }
    update();
    return true;
}

void CWndAutoSearch::ScrollOneStep(int target) {
    m_scrollTimer = 0;
    if (!m_model.ScrollStep(target)) return;
    m_scrollBar->setValue(m_model.GetFirstVisible());
    update();
    if (m_model.GetFirstVisible() != target)
        m_scrollTimer = m_clock->StartTimer(kScrollStepMilliseconds, false, [this, target] { ScrollOneStep(target); });
}

void CWndAutoSearch::StopScrolling() {
    m_clock->StopTimer(m_scrollTimer);
    m_scrollTimer = 0;
}

QSize CWndAutoSearch::GetMinimumTrackSize() const {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int width = m_ownerEdit ? m_ownerEdit->width() : 4 * extent;
    const int listHeight = m_model.GetCount() * m_rowHeight + 2 * kBorder;
    const int floor = 2 * extent + 4 + style()->pixelMetric(QStyle::PM_ScrollBarSliderMin);
    const bool onePage = m_model.GetCount() <= m_model.GetRowsPerPage();
    return QSize(width, onePage && listHeight < floor ? listHeight : floor);
}

QRect CWndAutoSearch::OwnerDialogRect() const {
    if (!m_ownerDialog) return QRect();
    return QRect(m_ownerDialog->mapToGlobal(QPoint(0, 0)), m_ownerDialog->size());
}

QRect CWndAutoSearch::ClientRect() const { return rect().adjusted(kBorder, kBorder, -kBorder, -kBorder); }

QRect CWndAutoSearch::GripRect() const {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QRect client = ClientRect();
    return QRect(client.right() - extent + 1, client.bottom() - extent + 1, extent, extent);
}

void CWndAutoSearch::UpdateLayout() {
    const QRect client = ClientRect();
    m_model.SetRowsPerPage(std::max(1, client.height() / m_rowHeight));
    const bool scroll = m_model.NeedsScrollBar();
    const QRect grip = GripRect();
    m_scrollBar->setGeometry(grip.left(), client.top(), grip.width(), std::max(0, grip.top() - client.top()));
    m_scrollBar->setRange(0, m_model.GetMaxFirstVisible());
    m_scrollBar->setPageStep(m_model.GetRowsPerPage());
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setValue(m_model.GetFirstVisible());
    m_scrollBar->setVisible(scroll);
}

void CWndAutoSearch::OnWatchTick() {
    if (OwnerDialogRect() != m_ownerRect) HidePopup();
}

void CWndAutoSearch::OnClickRow(int row) {
    ScrollTo(row, false);
    m_model.SetSelection(row);
    repaint();
    m_clickedId = m_model.GetRowId(row);
    if (m_ownerEdit)
        SendMessage(m_ownerEdit, WM_KVX_AUTOSEARCH_CHOICE, kAutoSearchClick, reinterpret_cast<LPARAM>(&m_clickedId));
    m_clock->StopTimer(m_hideTimer);
    m_hideTimer = m_clock->StartTimer(kClickPauseMilliseconds, false, [this] {
        m_hideTimer = 0;
        HidePopup();
    });
}

void CWndAutoSearch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(KVXToQColor(GetSysColor(COLOR_WINDOWTEXT)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect client = ClientRect();
    painter.fillRect(client, KVXToQColor(GetSysColor(COLOR_WINDOW)));
    const QRect grip = GripRect();
    const int textRight = m_scrollBar->isVisible() ? grip.left() : client.right() + 1;
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int page = m_model.GetRowsPerPage();
    for (int i = 0; i <= page; ++i) {
        const int row = m_model.GetFirstVisible() + i;
        if (row >= m_model.GetCount()) break;
        const QRect line(client.left() + kTextLeft, client.top() + i * m_rowHeight, textRight - client.left() - kTextLeft,
                         m_rowHeight);
        if (line.top() > client.bottom()) break;
        const bool selected = row == m_model.GetSelection();
        if (selected)
            painter.fillRect(QRect(client.left(), line.top(), textRight - client.left(), m_rowHeight),
                             KVXToQColor(GetSysColor(COLOR_HIGHLIGHT)));
        painter.setPen(KVXToQColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT)));
        const QString text = KVXToQString(m_model.GetRowText(row).c_str());
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(text, Qt::ElideRight, line.width()));
    }
    if (m_scrollBar->isVisible()) painter.fillRect(grip, KVXToQColor(GetSysColor(COLOR_BTNFACE)));
    DrawGrip(painter, grip);
}

void CWndAutoSearch::DrawGrip(QPainter& painter, const QRect& grip) const {
    const QColor pens[] = {KVXToQColor(GetSysColor(COLOR_WINDOW)), KVXToQColor(GetSysColor(COLOR_BTNFACE)),
                           KVXToQColor(GetSysColor(COLOR_BTNSHADOW)), KVXToQColor(GetSysColor(COLOR_BTNSHADOW))};
    const int size = std::min(grip.width(), grip.height());
    const QPoint corner = grip.bottomRight();
    for (int i = 0; i < kGripLines && i < size; ++i) {
        painter.setPen(pens[i % 4]);
        painter.drawLine(corner.x() - i, corner.y(), corner.x(), corner.y() - i);
    }
}

void CWndAutoSearch::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_sizing) {
        const QPoint delta = event->globalPosition().toPoint() - m_sizingStart;
        const QSize minimum = GetMinimumTrackSize();
        m_userSize = QSize(std::max(minimum.width(), m_sizingStartSize.width() + delta.x()),
                           std::max(minimum.height(), m_sizingStartSize.height() + delta.y()));
        resize(m_userSize);
        return;
    }
    setCursor(GripRect().contains(point) ? Qt::SizeFDiagCursor : Qt::ArrowCursor);
    const QRect client = ClientRect();
    if (!client.contains(point)) return;
    const int row = m_model.RowAt(point.y() - client.top(), m_rowHeight);
    if (row >= 0 && row != m_model.GetSelection()) {
        m_model.SetSelection(row);
        update();
    }
}

void CWndAutoSearch::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        HidePopup();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (GripRect().contains(point)) {
        m_sizing = true;
        m_sizingStart = event->globalPosition().toPoint();
        m_sizingStartSize = size();
        m_userSize = size();
        return;
    }
    const QRect client = ClientRect();
    const int row = client.contains(point) ? m_model.RowAt(point.y() - client.top(), m_rowHeight) : -1;
    if (row >= 0)
        OnClickRow(row);
    else if (!rect().contains(point))
        HidePopup();
}

void CWndAutoSearch::mouseReleaseEvent(QMouseEvent*) { m_sizing = false; }

void CWndAutoSearch::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        HidePopup();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CWndAutoSearch::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The keyboard stays with the field's window.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_ownerEdit)
        m_ownerEdit->window()->activateWindow();
}

void CWndAutoSearch::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_sizing) m_userSize = size();
    UpdateLayout();
}

void CWndAutoSearch::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_ownerRect = OwnerDialogRect();
    m_clock->StopTimer(m_watchTimer);
    m_watchTimer = m_clock->StartTimer(kOwnerWatchMilliseconds, true, [this] { OnWatchTick(); });
}

void CWndAutoSearch::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_clock->StopTimer(m_watchTimer);
    m_watchTimer = 0;
    StopScrolling();
    m_model.OnHidden();
    m_scrollBar->setValue(0);
}
