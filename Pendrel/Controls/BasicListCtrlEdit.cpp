#include "Pendrel/Controls/BasicListCtrlEdit.h"

#include <QAbstractScrollArea>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextOption>

#include <algorithm>

#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = "BasicListCtrl";
constexpr int kLineNoDialog = 860;
constexpr int kGrowSlack = 5;

bool IsEditorKey(const QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        return true;
    default:
        return (key->modifiers() & Qt::ControlModifier) != 0;
    }
}

} // namespace

CBasicListCtrlEdit::CBasicListCtrlEdit(int row, int column, const CBasicString& text, int grow)
    : m_row(row), m_column(column), m_initialText(text), m_grow(grow) {}

CBasicListCtrlEdit::~CBasicListCtrlEdit() = default;

BOOL CBasicListCtrlEdit::Create(DWORD style, const RECT& rect, QWidget* parent, UINT id) {
    if (!parent) return FALSE;
    m_multiLine = (style & ES_MULTILINE) != 0;
    setParent(parent);
    KVXSetDlgCtrlID(this, id);
    setGeometry(CKVXRect(rect).ToQRect());
    setFrameStyle((style & WS_BORDER) ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    setLineWidth(1);
    document()->setDocumentMargin(1);
    setTabChangesFocus(true);
    if (!m_multiLine) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy((style & ES_AUTOVSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    }
    QTextOption option = document()->defaultTextOption();
    option.setAlignment((style & ES_RIGHT)    ? Qt::AlignRight
                        : (style & ES_CENTER) ? Qt::AlignHCenter
                                              : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
    setFont(Host()->font());
    setPlainText(KVXToQString(m_initialText));
    if (style & WS_VISIBLE) show();
    setFocus(Qt::OtherFocusReason);
    selectAll();
    ensureCursorVisible();
    connect(this, &QPlainTextEdit::textChanged, this, &CBasicListCtrlEdit::Grow);
    return TRUE;
}

QWidget* CBasicListCtrlEdit::Host() const {
    QWidget* host = parentWidget();
    if (host) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(host->parentWidget()); area && area->viewport() == host)
            return area;
    }
    return host;
}

CBasicString CBasicListCtrlEdit::GetText() const {
    if (m_multiLine) return KVXGetWindowText(this);
    return KVXFromQString(document()->firstBlock().text());
}

bool CBasicListCtrlEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && IsEditorKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void CBasicListCtrlEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        m_cancelled = TRUE;
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        if (QWidget* host = Host()) host->setFocus(Qt::OtherFocusReason);
        if (!m_ended) End();  // the host could not take the focus
        return;
    default:
        QPlainTextEdit::keyPressEvent(event);
        event->accept();
        return;
    }
}

void CBasicListCtrlEdit::Grow() {
    if (!m_grow || !parentWidget()) return;
    const int textWidth = QFontMetrics(Host()->font()).horizontalAdvance(KVXToQString(GetText()));
    if (textWidth + kGrowSlack <= width()) return;
    const int clientRight = parentWidget()->rect().width();
    const int right = std::min(x() + textWidth + kGrowSlack, clientRight);
    if (right > x() + width()) resize(right - x(), height());
}

void CBasicListCtrlEdit::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason) return;
    if (!m_ended) End();
}

void CBasicListCtrlEdit::End() {
    m_ended = true;
    const CBasicString text = GetText();
    QWidget* host = Host();
    const bool hasDialog = host && host->parentWidget();
    ReportAssertion(hasDialog, kSourceFile, kLineNoDialog);
    if (hasDialog) emit EditEnded(m_row, m_column, m_cancelled ? nullptr : text.GetString());
    hide();
    deleteLater();
}
