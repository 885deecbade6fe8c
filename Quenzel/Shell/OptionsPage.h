#pragma once
// COptionsPage: the base of the options dialog's pages. A child dialog
// painted in the framework's tab-page colour that never closes on Enter or
// Escape, with the page's "modified" flag, which the lists of the page set
// through WM_USER+204 (lParam: the new value).

#include "Pendrel/Platform/KVXDialog.h"
#include "Quenzel/App/QuenzelServices.h"

class COptionsDialog;
class CWinButton;

constexpr UINT WM_QUENZEL_PAGE_MODIFIED = WM_USER + 204;
// Control id of the template labels that nothing refers to.
constexpr UINT IDC_PAGE_LABEL = 0xFFFF;

class COptionsPage : public CKVXDialog {
    Q_OBJECT

public:
    COptionsPage(UINT templateId, const QuenzelServices& services, COptionsDialog* options, QWidget* parent);

    int IsModified() const { return m_modified; }
    COptionsDialog* GetOptionsDialog() const { return m_options; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;

    QuenzelServices m_services;
    COptionsDialog* m_options;
    int m_modified = 0;
};

// Puts an owner-drawn button with the icon (hotIcon when hot) at size
// pixels in the place of the dialog's button id, keeping its text; the
// button, or null when the dialog has no such control.
CWinButton* AttachWinButton(CKVXDialog* dialog, UINT id, UINT icon, UINT hotIcon, int size);
