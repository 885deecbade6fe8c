#pragma once
// CVocabularyListNameDlg: "Create a vocabulary list", the small dialog that
// asks for the name of a new vocabulary list. OK keeps the name trimmed of
// white space at both ends and refuses a blank one (31106, the dialog stays
// open); Enter and Escape stay with the focused control.

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"

class CPageHost;

constexpr UINT IDD_LIST_NAME = 547;
constexpr UINT IDC_LIST_NAME_PROMPT = 11238;
constexpr UINT IDC_LIST_NAME_EDIT = 11239;

class CVocabularyListNameDlg : public CKVXResizableDlg {
    Q_OBJECT

public:
    // mainDlg shows the messages (may be null: the application's window).
    CVocabularyListNameDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent = nullptr);

    // The name after OK.
    CBasicString GetListName() const { return m_name; }
    // The name rule: the text trimmed at both ends; false when nothing is
    // left.
    static bool CheckListName(CBasicString& name);

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void OnOK() override;

private:
    QuenzelServices m_services;
    CPageHost* m_mainDlg;
    CBasicString m_name;
};
