#pragma once
// CAboutDlg: the main program's About box (template 550): its icon, name
// and copyright, and a link to the maker's page of the program (link 15 of
// the link table). The main window opens it from the menu of its header
// strip (MainDlg.h).

#include "Pendrel/Platform/KVXDialog.h"

class CBasicHyperlinkCtrl;

constexpr UINT IDD_ABOUT = 550;
constexpr UINT IDC_ABOUT_ICON = 11346;
constexpr UINT IDC_ABOUT_LINK = 11347;

class CAboutDlg : public CKVXDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CBasicHyperlinkCtrl* GetLink() const { return m_link; }

protected:
    BOOL OnInitDialog() override;

private:
    CBasicHyperlinkCtrl* m_link;
};
