#include "Keyboard/PageSettings.h"

#include <QCheckBox>

#include <iterator>

#include "Keyboard/KeyboardResources.h"
#include "Keyboard/Options.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXSysColors.h"

namespace {

const KVXDialogControl kControls[] = {
    {IDC_SHOW_ADVERTISEMENT, WC_BUTTON, L"Display advertisement", 12, 14, 260, 12,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {IDC_DISPLAY_ALL_CHARS, WC_BUTTON, L"Display all corresponding characters on individual keys", 12, 32, 260, 12,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
};
const KVXDialogTemplate kTemplate = {IDD_KEYBOARD_SETTINGS, L"Settings", WS_CHILD, 290, 120, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

bool IsChecked(const CKVXDialog& page, UINT id) {
    const auto* box = page.GetDlgItem<QCheckBox>(id);
    return box && box->isChecked();
}

} // namespace

CPageSettings::CPageSettings(const COptions& options, QWidget* parent)
    : CKVXDialog(IDD_KEYBOARD_SETTINGS, parent), m_options(options) {}

BOOL CPageSettings::OnInitDialog() {
    const BOOL result = CKVXDialog::OnInitDialog();
    CKVXApp* app = KVXGetApp();
    QPalette background = palette();
    background.setColor(QPalette::Window,
                        KVXToQColor(app ? app->GetTabPageBkColor() : GetSysColor(COLOR_WINDOW)));
    setPalette(background);
    setAutoFillBackground(true);
    if (auto* box = GetDlgItem<QCheckBox>(IDC_SHOW_ADVERTISEMENT)) box->setChecked(m_options.GetAdvertisement() != 0);
    if (auto* box = GetDlgItem<QCheckBox>(IDC_DISPLAY_ALL_CHARS)) box->setChecked(m_options.GetDisplayAllChars() != 0);
    return result;
}

bool CPageSettings::IsAdvertisementChecked() const { return IsChecked(*this, IDC_SHOW_ADVERTISEMENT); }

bool CPageSettings::IsDisplayAllCharsChecked() const { return IsChecked(*this, IDC_DISPLAY_ALL_CHARS); }
