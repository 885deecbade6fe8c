#pragma once
// CTutorDlg: the tutor page of the main window's tab control.

#include "Pendrel/Dialogs/KVXResizableDlg.h"

class CMainDlg;

constexpr UINT IDD_TUTOR_PAGE = 551;

class CTutorDlg : public CKVXResizableDlg {
    Q_OBJECT

public:
    explicit CTutorDlg(CMainDlg* mainDlg, QWidget* parent = nullptr);

    // Reads the vocabulary lists again (after the languages changed).
    virtual void RefreshLists() {}

private:
    [[maybe_unused]] CMainDlg* m_mainDlg;
};
