#include "Quenzel/Shell/OptionsPage.h"

#include <QPalette>

#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Quenzel/App/QuenzelApp.h"

COptionsPage::COptionsPage(UINT templateId, const QuenzelServices& services, COptionsDialog* options,
                           QWidget* parent)
    : CKVXDialog(templateId, parent), m_services(services), m_options(options) {}

BOOL COptionsPage::OnInitDialog() {
    const BOOL result = CKVXDialog::OnInitDialog();
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, KVXToQColor(m_services.TabPageBkColor()));
    setPalette(palette);
    setAutoFillBackground(true);
    return result;
}

LRESULT COptionsPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUENZEL_PAGE_MODIFIED) {
        m_modified = static_cast<int>(lParam);
        return 0;
    }
    return CKVXDialog::WindowProc(message, wParam, lParam);
}

CWinButton* AttachWinButton(CKVXDialog* dialog, UINT id, UINT icon, UINT hotIcon, int size) {
    QWidget* item = dialog ? dialog->GetDlgItem(id) : nullptr;
    if (!item) return nullptr;
    if (auto* existing = qobject_cast<CWinButton*>(item)) return existing;
    const CBasicString text = dialog->GetDlgItemText(id);
    auto* button = new CWinButton(WinButtonPush, dialog);
    dialog->SubclassDlgItem(id, button);
    button->SetButtonText(text.GetString());
    button->SetIcon(icon, hotIcon, size);
    return button;
}
