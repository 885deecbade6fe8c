#pragma once
// CDictionaryDlg: the dictionary page of the main window's tab control.

#include "Pendrel/Dialogs/KVXResizableDlg.h"

class CMainDlg;

constexpr UINT IDD_DICTIONARY_PAGE = 543;

class CDictionaryDlg : public CKVXResizableDlg {
    Q_OBJECT

public:
    explicit CDictionaryDlg(CMainDlg* mainDlg, QWidget* parent = nullptr);

    // The language pair changed (and at the page's start): takes the main
    // dialog's pair. 0 only without a database object.
    virtual int RefreshLanguagePair();
    int GetFirstLanguage() const { return m_firstLanguage; }
    int GetSecondLanguage() const { return m_secondLanguage; }

protected:
    BOOL OnInitDialog() override;

private:
    CMainDlg* m_mainDlg;
    int m_firstLanguage = 0;
    int m_secondLanguage = 0;
};
