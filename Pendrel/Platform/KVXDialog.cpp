#include "Pendrel/Platform/KVXDialog.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>

#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\KVXDialog";
constexpr int kLineNoTemplate = 40;
constexpr int kLineSubclass = 140;

// Pixels of a font size in points on the system's 96-dpi screen.
int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

} // namespace

CKVXDialog::CKVXDialog(UINT templateId, QWidget* parent) : CKVXWnd<QDialog>(parent), m_templateId(templateId) {
    SetCreated(false);
}

CKVXDialog::~CKVXDialog() = default;

bool CKVXDialog::Build() {
    if (m_built) return true;
    const KVXDialogTemplate* dialogTemplate = KVXFindDialogTemplate(m_templateId);
    ReportAssertion(dialogTemplate != nullptr, kSourceFile, kLineNoTemplate);
    if (!dialogTemplate) return false;
    if (dialogTemplate->style & WS_CHILD) setWindowFlags(Qt::Widget);
    setWindowTitle(KVXToQString(dialogTemplate->caption));
    if (dialogTemplate->fontName || dialogTemplate->pointSize > 0) {
        QFont dialogFont = font();
        if (dialogTemplate->fontName) dialogFont.setFamilies({KVXToQString(dialogTemplate->fontName)});
        if (dialogTemplate->pointSize > 0) dialogFont.setPixelSize(PointsToPixels(dialogTemplate->pointSize));
        setFont(dialogFont);
    }
    const int width = KVXDialogUnitsToPixelsX(dialogTemplate->cx);
    const int height = KVXDialogUnitsToPixelsY(dialogTemplate->cy);
    if (dialogTemplate->style & (WS_CHILD | WS_THICKFRAME)) resize(width, height);
    else setFixedSize(width, height);
    for (size_t i = 0; i < dialogTemplate->controlCount; ++i) {
        const KVXDialogControl& control = dialogTemplate->controls[i];
        QWidget* widget = KVXCreateControl(control, this);
        m_controls.emplace(control.id, widget);
        ConnectCommand(widget, control.id);
    }
    m_built = true;
    return true;
}

void CKVXDialog::ConnectCommand(QWidget* control, UINT id) {
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
}

INT_PTR CKVXDialog::DoModal() {
    if (IsCreated() || !Build()) return -1;
    m_ended = false;
    setResult(0);
    SetCreated(true);
    if (OnCreate() == -1) {
        SetCreated(false);
        return -1;
    }
    OnInitDialog();
    if (!m_ended) {
        // Qt's own modal run would end as soon as the dialog is hidden.
        m_inModalLoop = true;
        const Qt::WindowModality modality = windowModality();
        const bool deleteOnClose = testAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_DeleteOnClose, false);
        setWindowModality(Qt::ApplicationModal);
        show();
        QEventLoop loop;
        m_modalLoop = &loop;
        loop.exec(QEventLoop::DialogExec);
        m_modalLoop = nullptr;
        setWindowModality(modality);
        setAttribute(Qt::WA_DeleteOnClose, deleteOnClose);
        m_inModalLoop = false;
    }
    OnDestroy();
    SetCreated(false);
    return result();
}

BOOL CKVXDialog::Create(QWidget* parent) {
    if (IsCreated()) return FALSE;
    if (parent && parent != parentWidget()) setParent(parent, windowFlags());
    if (!Build()) return FALSE;
    m_ended = false;
    SetCreated(true);
    if (OnCreate() == -1) {
        SetCreated(false);
        return FALSE;
    }
    OnInitDialog();
    if (!m_ended) show();
    return TRUE;
}

BOOL CKVXDialog::DestroyWindow() {
    if (!IsCreated()) return FALSE;
    if (m_inModalLoop) {
        // The modal run ends; DoModal finishes the destruction.
        done(result());
        return TRUE;
    }
    hide();
    OnDestroy();
    SetCreated(false);
    return TRUE;
}

void CKVXDialog::done(int result) {
    QDialog::done(result);
    if (m_modalLoop) m_modalLoop->exit();
}

void CKVXDialog::EndDialog(int result) {
    setResult(result);
    if (!isVisible()) m_ended = true;
    done(result);
}

QWidget* CKVXDialog::GetDlgItem(UINT id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

BOOL CKVXDialog::SubclassDlgItem(UINT id, QWidget* control) {
    auto it = m_controls.find(id);
    ReportAssertion(it != m_controls.end() && control != nullptr, kSourceFile, kLineSubclass);
    if (it == m_controls.end() || !control) return FALSE;
    QWidget* old = it->second;
    if (old == control) return TRUE;
    control->setParent(old->parentWidget());
    control->setGeometry(old->geometry());
    KVXSetDlgCtrlID(control, id);
    KVXSetWindowText(control, KVXGetWindowText(old).GetString());
    control->setEnabled(old->isEnabled());
    if (auto* oldButton = qobject_cast<QPushButton*>(old))
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            button->setAutoDefault(false);
            button->setDefault(oldButton->isDefault());
        }
    control->stackUnder(old);
    QWidget::setTabOrder(old, control);
    control->setVisible(!old->isHidden());
    it->second = control;
    ConnectCommand(control, id);
    delete old;
    return TRUE;
}

void CKVXDialog::SetDlgItemText(UINT id, const wchar_t* text) {
    KVXSetWindowText(GetDlgItem(id), text);
}

CBasicString CKVXDialog::GetDlgItemText(UINT id) const {
    return KVXGetWindowText(GetDlgItem(id));
}

int CKVXDialog::OnCreate() {
    return 0;
}

BOOL CKVXDialog::OnInitDialog() {
    return TRUE;
}

void CKVXDialog::OnOK() {
    EndDialog(IDOK);
}

void CKVXDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CKVXDialog::OnCommand(UINT id) {
    if (id == IDOK) OnOK();
    else if (id == IDCANCEL) OnCancel();
}

void CKVXDialog::OnDestroy() {}

void CKVXDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: event->accept(); return;
    default: QDialog::keyPressEvent(event);
    }
}

void CKVXDialog::accept() {
    OnOK();
}

void CKVXDialog::reject() {
    OnCancel();
}
