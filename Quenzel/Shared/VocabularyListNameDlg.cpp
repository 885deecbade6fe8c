#include "Quenzel/Shared/VocabularyListNameDlg.h"

#include <QLineEdit>

#include <iterator>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/TransparentStaticCtrl.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/PageHost.h"

namespace {

const KVXDialogControl kControls[] = {
    {IDC_LIST_NAME_PROMPT, WC_STATIC, L"Please enter a name for vocabulary list:", 10, 10, 210, 10,
     WS_CHILD | WS_VISIBLE},
    {IDC_LIST_NAME_EDIT, WC_EDIT, L"", 10, 24, 210, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL},
    {IDOK, WC_BUTTON, L"OK", 116, 48, 50, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, WC_BUTTON, L"Cancel", 170, 48, 50, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_LIST_NAME, L"Create a vocabulary list",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 230, 72, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CVocabularyListNameDlg::CVocabularyListNameDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent)
    : CKVXResizableDlg(IDD_LIST_NAME, parent), m_services(services), m_mainDlg(mainDlg) {}

bool CVocabularyListNameDlg::CheckListName(CBasicString& name) {
    name.TrimLeft();
    name.TrimRight();
    return !name.IsEmpty();
}

BOOL CVocabularyListNameDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    m_services.SetWindowIcon(this);
    if (!GetDlgItem<CTransparentStaticCtrl>(IDC_LIST_NAME_PROMPT))
        SubclassDlgItem(IDC_LIST_NAME_PROMPT, new CTransparentStaticCtrl(this));
    AddResizableControls();
    if (QWidget* edit = GetDlgItem(IDC_LIST_NAME_EDIT)) edit->setFocus();
    return result;
}

void CVocabularyListNameDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    m_resizableCtrls.emplace_back(IDC_LIST_NAME_PROMPT, 0, RESIZE_KEEP_LEFT | RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_LIST_NAME_EDIT, 0, RESIZE_KEEP_LEFT | RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDOK, 0, RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDCANCEL, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
    CKVXResizableDlg::AddResizableControls();
}

void CVocabularyListNameDlg::OnOK() {
    CBasicString name;
    if (auto* edit = GetDlgItem<QLineEdit>(IDC_LIST_NAME_EDIT)) name = edit->text().toStdWString().c_str();
    if (!CheckListName(name)) {
        const CBasicString text = QuenzelString(31106);
        if (m_mainDlg) m_mainDlg->ShowMessageBox(text.GetString(), MB_ICONINFORMATION, this);
        else QuenzelMessageBox(this, text.GetString(), MB_ICONINFORMATION);
        return;
    }
    m_name = name;
    CKVXResizableDlg::OnOK();
}
