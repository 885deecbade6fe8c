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

CPageSettings::CPageSettings(const QuenzelServices& services, COptionsDialog* options, QWidget* parent)
    : COptionsPage(IDD_PAGE_SETTINGS, services, options, parent) {}

BOOL CPageSettings::OnInitDialog() {
    const BOOL result = COptionsPage::OnInitDialog();
    if (auto* check = GetDlgItem<QCheckBox>(IDC_SETTINGS_ADVERTISEMENT))
        if (m_services.options) check->setChecked(m_services.options->GetAdvertisement() != 0);
    return result;
}

void CPageSettings::Apply() {
    auto* check = GetDlgItem<QCheckBox>(IDC_SETTINGS_ADVERTISEMENT);
    if (!m_services.options || !check) return;
    const int on = check->isChecked() ? 1 : 0;
    m_services.options->SetAdvertisement(on);
    CKVXApp* kvx = m_services.framework;
    if (!kvx) return;
    if (!on) {
        if (auto* window = qobject_cast<QWidget*>(kvx->GetAdvertiseWnd())) window->close();
    } else if (!kvx->GetAdvertiseWnd()) {
        kvx->CreateAdvertiseWnd(QuenzelAppTitle().GetString(), {}, kAdvertisementLink);
    }
}
