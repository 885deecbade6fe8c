#include "Quenzel/Shell/PageSettings.h"

#include <QCheckBox>

#include <iterator>

#include "Pendrel/App/KVXApp.h"
#include "Quenzel/App/QuenzelApp.h"

namespace {

constexpr KVXLinkID kAdvertisementLink = static_cast<KVXLinkID>(12);

const KVXDialogControl kControls[] = {
    {IDC_SETTINGS_ADVERTISEMENT, WC_BUTTON, L"Display advertisement", 10, 10, 200, 12,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
};
const KVXDialogTemplate kTemplate = {IDD_PAGE_SETTINGS, L"", WS_CHILD, 320, 186, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CPageSettings::CPageSettings(COptionsDialog* options, QWidget* parent)
    : COptionsPage(IDD_PAGE_SETTINGS, options, parent) {}

BOOL CPageSettings::OnInitDialog() {
    const BOOL result = COptionsPage::OnInitDialog();
    if (auto* check = GetDlgItem<QCheckBox>(IDC_SETTINGS_ADVERTISEMENT))
        if (CQuenzelApp* app = QuenzelGetApp()) check->setChecked(app->GetOptions().GetAdvertisement() != 0);
    return result;
}

void CPageSettings::Apply() {
    CQuenzelApp* app = QuenzelGetApp();
    auto* check = GetDlgItem<QCheckBox>(IDC_SETTINGS_ADVERTISEMENT);
    if (!app || !check) return;
    const int on = check->isChecked() ? 1 : 0;
    app->GetOptions().SetAdvertisement(on);
    CKVXApp* kvx = app->GetKVXApp();
    if (!kvx) return;
    if (!on) {
        if (auto* window = qobject_cast<QWidget*>(kvx->m_pAdvertiseWnd)) window->close();
    } else if (!kvx->m_pAdvertiseWnd) {
        kvx->CreateAdvertiseWnd(app->GetAppTitle().GetString(), {}, kAdvertisementLink);
    }
}
