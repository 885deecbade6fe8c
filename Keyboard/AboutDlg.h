#pragma once
// CAboutDlg: the keyboard program's About box: its icon, name and
// copyright, and a link to the maker's page of the program (link 22 of the
// link table).

#include "Pendrel/Platform/KVXDialog.h"

class CBasicHyperlinkCtrl;

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
