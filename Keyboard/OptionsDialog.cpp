#include "Keyboard/OptionsDialog.h"

#include <QIcon>

#include <iterator>

#include "Keyboard/KeyboardResources.h"
#include "Keyboard/Options.h"
#include "Keyboard/PageSettings.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/KVXTabCtrl.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Dialogs/PageUpdate.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXSysColors.h"

namespace {

const KVXDialogControl kControls[] = {
    {IDC_OPTIONS_TAB, WC_STATIC, L"", 7, 7, 300, 150, WS_CHILD | WS_VISIBLE},
    {IDOK, WC_BUTTON, L"Save", 183, 164, 60, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDCANCEL, WC_BUTTON, L"Cancel", 247, 164, 60, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_KEYBOARD_OPTIONS, L"Options", WS_POPUP | WS_CAPTION | WS_SYSMENU, 314, 191,
                                     8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct ButtonIcons {
    UINT id, icon, disabledIcon;
};
const ButtonIcons kButtonIcons[] = {{IDOK, 319, 358}, {IDCANCEL, 320, 359}};

} // namespace

COptionsDialog::COptionsDialog(COptions& options, QWidget* parent)
    : CKVXDialog(IDD_KEYBOARD_OPTIONS, parent), m_options(options), m_tab(new CKVXTabCtrl(this)) {
    m_tab->hide();
}

COptionsDialog::~COptionsDialog() = default;

CPageSettings* COptionsDialog::GetSettingsPage() const {
    return qobject_cast<CPageSettings*>(m_tab->FindPage(IDD_KEYBOARD_SETTINGS));
}

BOOL COptionsDialog::OnInitDialog() {
    const BOOL result = CKVXDialog::OnInitDialog();
    CKVXApp* app = KVXGetApp();
    QPalette background = palette();
    background.setColor(QPalette::Window, KVXToQColor(app ? app->GetDlgBkColor() : GetSysColor(COLOR_BTNFACE)));
    setPalette(background);
    setAutoFillBackground(true);

    for (const ButtonIcons& entry : kButtonIcons) {
        auto* button = new CWinButton(WinButtonPush, this);
        SubclassDlgItem(entry.id, button);
        button->SetButtonText(GetDlgItemText(entry.id).GetString());
        button->SetIcon(entry.icon, entry.disabledIcon, 24);
    }

    if (!m_tab->GetPageId(0)) {
        SubclassDlgItem(IDC_OPTIONS_TAB, m_tab);
        m_tab->show();
        auto* settings = new CPageSettings(m_options, m_tab);
        settings->Create(m_tab);
        m_tab->AddPage(settings, IDD_KEYBOARD_SETTINGS, KeyboardString(IDS_SETTINGS).GetString(), QIcon());
        auto* update = new CPageUpdate(this, m_tab, KVXGetApp());
        update->Create(m_tab);
        m_tab->AddPage(update, CPageUpdate::IDD, KeyboardString(IDS_UPDATE).GetString(), QIcon());
        m_tab->SetActiveTab(0);
    }
    return result;
}

void COptionsDialog::OnOK() {
    if (CPageSettings* settings = GetSettingsPage()) {
        const int wasAll = m_options.GetDisplayAllChars();
        m_options.SetAdvertisement(settings->IsAdvertisementChecked() ? 1 : 0);
        m_options.SetDisplayAllChars(settings->IsDisplayAllCharsChecked() ? 1 : 0);
        if (wasAll != m_options.GetDisplayAllChars() && m_displayAllCharsChanged) m_displayAllCharsChanged();
    }
    CKVXDialog::OnOK();
}
