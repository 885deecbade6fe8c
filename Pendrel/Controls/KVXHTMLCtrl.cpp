#include "Pendrel/Controls/KVXHTMLCtrl.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QResizeEvent>

#include <iterator>

#include "Pendrel/Controls/KVXHtmlView.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/Modules.h"

namespace {

const char kSourceFile[] = ".\\EULADlg";
constexpr int kLineNoInstance = 65;

// The HTML control's own template: an empty child dialog.
const KVXDialogTemplate kHtmlTemplate = {554, L"", WS_CHILD | WS_VISIBLE, 320, 200, 8, L"MS Shell Dlg", nullptr, 0};
const CKVXDialogTemplateRegistration kHtmlTemplateRegistration(kHtmlTemplate);

bool IsEnterOrEscape(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape;
}

} // namespace

bool KVXIsContainedKey(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!IsEnterOrEscape(key)) return false;
    // A button would take Enter as a click; other controls get the key and
    // the window's own handling keeps it from closing anything.
    return qobject_cast<QAbstractButton*>(watched) != nullptr && event->type() == QEvent::KeyPress;
}

void KVXKeepEnterAndEscape(QWidget* window, QObject* filter) {
    for (QWidget* child : window->findChildren<QWidget*>()) child->installEventFilter(filter);
}

CKVXHTMLCtrl::CKVXHTMLCtrl(UINT resourceId, QWidget* parent) : CKVXHTMLCtrl(554, resourceId, parent) {}

CKVXHTMLCtrl::CKVXHTMLCtrl(UINT templateId, UINT resourceId, QWidget* parent)
    : CKVXDialog(templateId, parent), m_view(new CKVXHtmlView(this)) {
    m_currentUrl = GetLocalURL(resourceId);
    m_view->setFrameShape(QFrame::NoFrame);
}

CKVXHTMLCtrl::~CKVXHTMLCtrl() = default;

CBasicString CKVXHTMLCtrl::GetLocalURL(UINT resourceId) {
    HINSTANCE instance = KVXGetInstance();
    ReportAssertion(instance != nullptr, kSourceFile, kLineNoInstance);
    CBasicString path = GetModulePath(instance);
    if (path.IsEmpty()) return CBasicString();
    CBasicString url;
    url.Format(L"res://%s/%d", path.GetString(), static_cast<int>(resourceId));
    return url;
}

void CKVXHTMLCtrl::NavigateURL(const wchar_t* address) {
    m_currentUrl = address ? address : L"";
    m_view->Navigate(KVXToQString(m_currentUrl.GetString()));
}

int CKVXHTMLCtrl::LoadLocalResource(UINT resourceId) {
    CBasicString url = GetLocalURL(resourceId);
    if (url.IsEmpty()) return 0;
    m_view->Navigate(KVXToQString(url.GetString()));
    return 1;
}

BOOL CKVXHTMLCtrl::OnInitDialog() {
    BOOL result = CKVXDialog::OnInitDialog();
    m_view->setGeometry(rect());
    m_view->show();
    if (!m_currentUrl.IsEmpty()) m_view->Navigate(KVXToQString(m_currentUrl.GetString()));
    KVXKeepEnterAndEscape(this, this);
    return result;
}

void CKVXHTMLCtrl::resizeEvent(QResizeEvent* event) {
    CKVXDialog::resizeEvent(event);
    m_view->setGeometry(rect());
}

bool CKVXHTMLCtrl::eventFilter(QObject* watched, QEvent* event) {
    return KVXIsContainedKey(watched, event) || CKVXDialog::eventFilter(watched, event);
}
