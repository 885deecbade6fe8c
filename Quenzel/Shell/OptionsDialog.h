#pragma once
// COptionsDialog: the "Options" dialog of the main window. A tab control
// with the pages "Statics", "Settings", "Language", "Plugins", "Fonts" and
// "Update" (the framework's update page); "Save" applies the pages and
// closes, "Cancel" closes and changes nothing.
//
// Save applies the fonts page (which writes every setting), the language
// page when modified (the languages changed), the plug-in page when
// modified and the settings page, writes the settings once more so that
// the plug-in flags and the switches of the settings page are stored with
// the rest, and tells the owner with WM_QUENZEL_OPTIONS_SAVED (MainDlg.h).

#include "Pendrel/Platform/KVXDialog.h"
#include "Quenzel/App/QuenzelServices.h"

class CMainDlg;
class CTabCtrlEx;
class CWinButton;

constexpr UINT IDD_OPTIONS = 504;
constexpr UINT IDC_OPTIONS_TAB = 8020;

class COptionsDialog : public CKVXDialog {
    Q_OBJECT

public:
    // owner: the main window told after Save (may be null).
    COptionsDialog(const QuenzelServices& services, CMainDlg* owner, QWidget* parent = nullptr);
    ~COptionsDialog() override;

    CMainDlg* GetOwner() const { return m_owner; }
    // What the pages use of the program; handed to each.
    const QuenzelServices& Services() const { return m_services; }
    CTabCtrlEx* GetTabCtrl() const { return m_tab; }
    int IsLanguagesChanged() const { return m_languagesChanged; }
    // "Save", "Cancel" and the tabs, while a page's worker runs.
    void EnableControls(BOOL enable);
    // Applies the pages in order, tells the owner and ends the dialog as OK.
    void Save();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    QuenzelServices m_services;
    CMainDlg* m_owner;
    CTabCtrlEx* m_tab;
    int m_languagesChanged = 0;
};
