#include "Quenzel/Dictionary/AddTypeDialog.h"

#include <QLineEdit>

#include <iterator>

#include "Pendrel/Platform/KVXSysColors.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Dictionary/MeanTypes.h"

namespace {

const KVXDialogControl kControls[] = {
    {0xFFFF, WC_STATIC, L"Name:", 8, 10, 32, 9, WS_CHILD | WS_VISIBLE},
    {IDC_TYPE_NAME, WC_EDIT, L"", 44, 8, 148, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {0xFFFF, WC_STATIC, L"Value:", 8, 28, 32, 9, WS_CHILD | WS_VISIBLE},
    {IDC_TYPE_VALUE, WC_EDIT, L"", 44, 26, 148, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDOK, WC_BUTTON, L"OK", 86, 48, 50, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, WC_BUTTON, L"Cancel", 142, 48, 50, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_ADD_TYPE, L"Add Type", WS_POPUP | WS_CAPTION | WS_SYSMENU, 200, 72, 8,
                                     L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CAddTypeDialog::CAddTypeDialog(COLORREF background, QWidget* parent)
    : CKVXDialog(IDD_ADD_TYPE, parent), m_background(background) {}

BOOL CAddTypeDialog::OnInitDialog() {
    const BOOL result = CKVXDialog::OnInitDialog();
    SetDlgItemText(IDC_TYPE_NAME, m_name.GetString());
    SetDlgItemText(IDC_TYPE_VALUE, m_value.GetString());
    QPalette background = palette();
    background.setColor(QPalette::Window, KVXToQColor(m_background));
    setPalette(background);
    setAutoFillBackground(true);
    if (QWidget* name = GetDlgItem(IDC_TYPE_NAME)) name->setFocus();
    return result;
}

void CAddTypeDialog::OnOK() {
    m_name = CMeanTypes::Trimmed(GetDlgItemText(IDC_TYPE_NAME));
    m_value = CMeanTypes::Trimmed(GetDlgItemText(IDC_TYPE_VALUE));
    CKVXDialog::OnOK();
}
