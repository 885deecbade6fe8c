#include "Quenzel/Tutor/SyncOption.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <iterator>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/BasicHyperlinkCtrl.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\SyncOption";

const KVXDialogControl kControls[] = {
    {0xFFFF, WC_STATIC, L"E-mail:", 10, 12, 50, 9, WS_CHILD | WS_VISIBLE},
    {IDC_SYNC_EMAIL, WC_EDIT, L"", 64, 10, 150, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {0xFFFF, WC_STATIC, L"Password:", 10, 30, 50, 9, WS_CHILD | WS_VISIBLE},
    {IDC_SYNC_PASSWORD, WC_EDIT, L"", 64, 28, 150, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_PASSWORD},
    {IDC_SYNC_REMEMBER, WC_BUTTON, L"Remember password", 64, 46, 150, 10,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {IDC_SYNC_SIGNUP, WC_STATIC, L"Signup", 64, 62, 60, 10, WS_CHILD | WS_VISIBLE},
    {IDC_SYNC_LOST_PASSWORD, WC_STATIC, L"Lost password", 130, 62, 84, 10, WS_CHILD | WS_VISIBLE},
    {IDC_SYNC_TO_LOCAL, WC_BUTTON, L"To Local", 64, 80, 70, 10,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON},
    {IDC_SYNC_TO_ONLINE, WC_BUTTON, L"To Online", 140, 80, 74, 10, WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON},
    {IDOK, WC_BUTTON, L"OK", 108, 100, 50, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, WC_BUTTON, L"Cancel", 164, 100, 50, 16, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_SYNC_OPTION, L"Synchronize Vocabulary Lists",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU, 224, 124, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct Tip {
    UINT control, text;
};
const Tip kTips[] = {{IDC_SYNC_EMAIL, 31319},     {IDC_SYNC_PASSWORD, 31320},      {IDC_SYNC_REMEMBER, 31321},
                     {IDC_SYNC_SIGNUP, 31322},    {IDC_SYNC_LOST_PASSWORD, 31323}, {IDC_SYNC_TO_LOCAL, 31324},
                     {IDC_SYNC_TO_ONLINE, 31325}};

} // namespace

CSyncOption::CSyncOption(const QuenzelServices& services, QWidget* parent)
    : CKVXResizableDlg(IDD_SYNC_OPTION, parent),
      m_services(services),
      m_options(services.options),
      m_signup(new CBasicHyperlinkCtrl(this)),
      m_lostPassword(new CBasicHyperlinkCtrl(this)) {
    m_signup->hide();
    m_lostPassword->hide();
}

BOOL CSyncOption::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    m_direction = 0;
    if (auto* local = GetDlgItem<QRadioButton>(IDC_SYNC_TO_LOCAL)) local->setChecked(true);
    if (m_options) {
        if (auto* email = GetDlgItem<QLineEdit>(IDC_SYNC_EMAIL))
            email->setText(QString::fromWCharArray(m_options->GetSyncEMail().GetString()));
        if (auto* password = GetDlgItem<QLineEdit>(IDC_SYNC_PASSWORD))
            password->setText(QString::fromWCharArray(m_options->GetSyncPassword().GetString()));
        if (auto* remember = GetDlgItem<QCheckBox>(IDC_SYNC_REMEMBER))
            remember->setChecked(m_options->GetRememberSyncPassword() != 0);
    }
    SubclassDlgItem(IDC_SYNC_SIGNUP, m_signup);
    SubclassDlgItem(IDC_SYNC_LOST_PASSWORD, m_lostPassword);
    AddResizableControls();
    for (const Tip& tip : kTips)
        if (QWidget* control = GetDlgItem(tip.control)) m_toolTip.AddTool(control, QuenzelString(tip.text));
    SetUpLink(m_signup, IDC_SYNC_SIGNUP, 56, 64);
    SetUpLink(m_lostPassword, IDC_SYNC_LOST_PASSWORD, 57, 79);
    return result;
}

void CSyncOption::SetUpLink(CBasicHyperlinkCtrl* label, UINT id, int linkId, int line) {
    CKVXApp* app = KVXGetApp();
    const wchar_t* address = app && app->GetLinkTable() ? app->GetLinkTable()->GetLinkURL(linkId) : nullptr;
    const CBasicString caption = GetDlgItemText(id);
    if (!address || !*address) {
        // Without an address the label keeps its plain text.
        ReportAssertion(0, kSourceFile, line);
        return;
    }
    CBasicString markup;
    markup.Format(L"<u> <a href= %s > %s </a></u>", address, caption.GetString());
    label->SetTextColor(L"Blue");
    label->SetBkColor(m_services.DlgBkColor());
    label->SetWindowTextW(markup.GetString());
}

void CSyncOption::AddResizableControls() {
    m_resizableCtrls.clear();
    CKVXResizableDlg::AddResizableControls();
}

void CSyncOption::OnOK() {
    if (auto* online = GetDlgItem<QRadioButton>(IDC_SYNC_TO_ONLINE)) m_direction = online->isChecked() ? 1 : 0;
    if (m_options) {
        if (auto* email = GetDlgItem<QLineEdit>(IDC_SYNC_EMAIL))
            m_options->SetSyncEMail(email->text().toStdWString().c_str());
        if (auto* password = GetDlgItem<QLineEdit>(IDC_SYNC_PASSWORD))
            m_options->SetSyncPassword(password->text().toStdWString().c_str());
        if (auto* remember = GetDlgItem<QCheckBox>(IDC_SYNC_REMEMBER))
            m_options->SetRememberSyncPassword(remember->isChecked() ? 1 : 0);
    }
    CKVXResizableDlg::OnOK();
}
