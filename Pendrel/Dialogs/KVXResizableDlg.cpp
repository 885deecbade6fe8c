#include "Pendrel/Dialogs/KVXResizableDlg.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWindowStateChangeEvent>

#include <algorithm>

#include "Pendrel/Core/ResizableLayout.h"
#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXFonts.h"

namespace {

// The events a dialog's message filter sees: what reaches a window from the
// mouse and the keyboard.
bool IsInputEvent(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Enter:
    case QEvent::Leave: return true;
    default: return false;
    }
}

} // namespace

CKVXResizableDlg::CKVXResizableDlg(UINT templateId, QWidget* parent)
    : CDialogPrintPreview(templateId, parent) {}

CKVXResizableDlg::~CKVXResizableDlg() {
    if (m_filtering && qApp) qApp->removeEventFilter(this);
}

int CKVXResizableDlg::OnCreate() {
    if (CDialogPrintPreview::OnCreate() == -1) return -1;
    // The size limits first: a minimum above the template's size grows the
    // dialog, and the initial size is the size it is created at.
    ApplyMinMaxInfo();
    m_initialWidth = width();
    m_initialHeight = height();
    // The tooltip: rounded, shown after the delay, no tip provider.
    if (!m_toolTip.parentWidget()) m_toolTip.Create(this, KVX_TIP_ROUNDED, KVX_TIP_AFTER_DELAY, nullptr);
    if (!m_filtering) {
        qApp->installEventFilter(this);
        m_filtering = true;
    }
    return 0;
}

BOOL CKVXResizableDlg::OnInitDialog() {
    return CDialogPrintPreview::OnInitDialog();
}

void CKVXResizableDlg::OnDestroy() {
    m_initialWidth = 0;
    m_initialHeight = 0;
    m_toolTip.Hide();
    if (m_filtering) {
        qApp->removeEventFilter(this);
        m_filtering = false;
    }
    CDialogPrintPreview::OnDestroy();
}

void CKVXResizableDlg::ApplyMinMaxInfo() {
    MINMAXINFO info{};
    info.ptMinTrackSize = POINT{minimumWidth(), minimumHeight()};
    info.ptMaxTrackSize = POINT{maximumWidth(), maximumHeight()};
    OnGetMinMaxInfo(&info);
    setMinimumSize(info.ptMinTrackSize.x, info.ptMinTrackSize.y);
    setMaximumSize(info.ptMaxTrackSize.x, info.ptMaxTrackSize.y);
}

void CKVXResizableDlg::OnGetMinMaxInfo(MINMAXINFO*) {
    // The structure comes filled with the window's own limits, which is all
    // the default processing would give; nothing changes here.
}

BOOL CKVXResizableDlg::PreTranslateMessage(QObject*, QEvent* event) {
    // The tooltip sees every input event; the dialog base eats none.
    m_toolTip.RelayEvent(event);
    return FALSE;
}

bool CKVXResizableDlg::eventFilter(QObject* watched, QEvent* event) {
    if (IsInputEvent(event->type()) && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if ((widget == this || isAncestorOf(widget)) && PreTranslateMessage(watched, event)) return true;
    }
    return CDialogPrintPreview::eventFilter(watched, event);
}

void CKVXResizableDlg::AddResizableControls() {
    UpDateCtrlsInfo();
}

void CKVXResizableDlg::SetChildWindowPosition() {}

CKVXRect CKVXResizableDlg::GetResizingWindow() {
    if (!IsCreated()) return CKVXRect();
    return CKVXRect(0, 0, width(), height());
}

QWidget* CKVXResizableDlg::FindControl(WORD id) const {
    if (QWidget* control = GetDlgItem(id)) return control;
    // A child made at run time with its id; id 0 names only a template's
    // control, since children without an id read as 0.
    if (id == 0) return nullptr;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (KVXGetDlgCtrlID(child) == id) return child;
    return nullptr;
}

bool CKVXResizableDlg::ControlRect(WORD id, RECT& rect) const {
    QWidget* control = FindControl(id);
    if (!control) return false;
    rect = CKVXRect(QRect(control->mapTo(this, QPoint(0, 0)), control->size()));
    return true;
}

void CKVXResizableDlg::UpDateCtrlsInfo() {
    if (!IsCreated() || m_resizableCtrls.empty()) return;
    KVXMeasureResizableCtrls(m_resizableCtrls, SIZE{width(), height()},
                             [this](WORD id, RECT& rect) { return ControlRect(id, rect); });
}

void CKVXResizableDlg::ResizeControls() {
    if (!m_initialWidth || !m_initialHeight || m_resizableCtrls.empty() || !IsCreated()) return;
    const CKVXRect area = GetResizingWindow();
    const std::vector<KVXResizableMove> moves =
        KVXLayoutResizableCtrls(m_resizableCtrls, SIZE{area.Width(), area.Height()},
                                SIZE{m_initialWidth, m_initialHeight},
                                [this](WORD id, RECT& rect) { return ControlRect(id, rect); });
    for (const KVXResizableMove& move : moves) {
        QWidget* control = FindControl(move.id);
        if (!control) continue;
        QRect rect = CKVXRect(move.rect).ToQRect();
        if (QWidget* parent = control->parentWidget(); parent && parent != this)
            rect.moveTopLeft(parent->mapFrom(this, rect.topLeft()));
        control->setGeometry(rect);
        control->update();
    }
    SetChildWindowPosition();
}

void CKVXResizableDlg::resizeEvent(QResizeEvent* event) {
    CDialogPrintPreview::resizeEvent(event);
    if (!isMinimized()) ResizeControls();
}

void CKVXResizableDlg::changeEvent(QEvent* event) {
    CDialogPrintPreview::changeEvent(event);
    // Restoring a minimised dialog is a size change of its own.
    if (event->type() == QEvent::WindowStateChange &&
        (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized) && !isMinimized())
        ResizeControls();
}

void CKVXResizableDlg::PaintBitmap(QPainter&, QImage& memory, const QImage& bitmap, CKVXRect rect,
                                   BOOL alignRight) {
    // A new picture replaces (and frees) the one memory held; like a new
    // compatible bitmap it starts black.
    memory = QImage(std::max<LONG>(rect.Width(), 0), std::max<LONG>(rect.Height(), 0), QImage::Format_RGB32);
    if (memory.isNull()) return;
    memory.fill(Qt::black);
    QPainter painter(&memory);
    painter.fillRect(rect.ToQRect(), QColor(255, 255, 255));
    const int x = alignRight ? rect.right - bitmap.width() : rect.left;
    painter.drawImage(x, rect.top, bitmap);
}

void CKVXResizableDlg::RenderText(QPainter* dc, const CBasicString& text, CKVXRect rect, LOGFONTW font,
                                  UINT format) {
    if (!dc) return;
    const QFont previous = dc->font();
    dc->setFont(KVXFontFromLogFont(font));
    DrawText(*dc, text.GetString(), -1, &rect, format);
    dc->setFont(previous);
}
