#include "Quenzel/Shell/OptionsDialog.h"

#include <iterator>

#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/PageFonts.h"
#include "Quenzel/Shell/PageLanguage.h"
#include "Quenzel/Shell/PagePlugin.h"
#include "Quenzel/Shell/PageSettings.h"
#include "Quenzel/Shell/PageStatics.h"
#include "Quenzel/Shell/TabCtrlEx.h"

namespace {

const KVXDialogControl kControls[] = {
    {IDC_OPTIONS_TAB, WC_STATIC, L"", 7, 7, 336, 212, WS_CHILD},
    {IDOK, WC_BUTTON, L"Save", 229, 225, 55, 18, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDCANCEL, WC_BUTTON, L"Cancel", 288, 225, 55, 18, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_OPTIONS, L"Options", WS_POPUP | WS_CAPTION | WS_SYSMENU, 350, 250, 8,
                                     L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct ButtonIcons {
    UINT id, icon, hot;
};
const ButtonIcons kButtons[] = {{IDOK, 319, 358}, {IDCANCEL, 320, 359}};

} // namespace

COptionsDialog::COptionsDialog(const QuenzelServices& services, CMainDlg* owner, QWidget* parent)
    : CKVXDialog(IDD_OPTIONS, parent), m_services(services), m_owner(owner), m_tab(new CTabCtrlEx(this)) {
    m_tab->hide();
}

COptionsDialog::~COptionsDialog() {
    // A count still running reports to its page and to this dialog: let it
    // end while both are whole.
    if (CPageStatics* statics = m_tab->GetStaticsPage()) statics->WaitForJob();
}

BOOL COptionsDialog::OnInitDialog() {
    const BOOL result = CKVXDialog::OnInitDialog();
    for (const ButtonIcons& button : kButtons) AttachWinButton(this, button.id, button.icon, button.hot, 24);
    if (GetDlgItem(IDC_OPTIONS_TAB) != m_tab) {
        SubclassDlgItem(IDC_OPTIONS_TAB, m_tab);
        m_tab->show();
        m_tab->AddOptionPages(this, this);
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, KVXToQColor(m_services.DlgBkColor()));
    setPalette(palette);
    setAutoFillBackground(true);
    return result;
}

void COptionsDialog::EnableControls(BOOL enable) {
    for (UINT id : {static_cast<UINT>(IDOK), static_cast<UINT>(IDCANCEL)})
        if (QWidget* button = GetDlgItem(id)) button->setEnabled(enable != FALSE);
    m_tab->setEnabled(enable != FALSE);
}

void COptionsDialog::Save() {
    if (auto* fonts = m_tab->GetFontsPage()) fonts->Apply();
    // A page whose changes the data file did not take keeps the dialog open
    // with them, to be saved again.
    if (auto* language = m_tab->GetLanguagePage(); language && language->IsModified()) {
        m_languagesChanged = 1;
        if (!language->Apply()) return;
    }
    if (auto* plugins = m_tab->GetPluginPage(); plugins && plugins->IsModified() && !plugins->Apply()) return;
    if (auto* settings = m_tab->GetSettingsPage()) settings->Apply();
    if (m_services.options) m_services.options->Save();
    if (m_owner) SendMessage(m_owner, WM_QUENZEL_OPTIONS_SAVED, m_languagesChanged, 0);
    EndDialog(IDOK);
}

void COptionsDialog::OnOK() {
    // "Save" stays disabled while a page counts; Enter never reaches here.
    if (QWidget* save = GetDlgItem(IDOK); save && !save->isEnabled()) return;
    Save();
}

void COptionsDialog::OnCancel() {
    if (QWidget* cancel = GetDlgItem(IDCANCEL); cancel && !cancel->isEnabled()) return;
    CKVXDialog::OnCancel();
}
