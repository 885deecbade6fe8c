#pragma once
// CTabCtrlEx: the main window's tab control with the dictionary and the
// tutor pages.

#include "Pendrel/Controls/KVXTabCtrl.h"

class CMainDlg;
class CDictionaryDlg;
class CTutorDlg;

class CTabCtrlEx : public CKVXTabCtrl {
    Q_OBJECT

public:
    explicit CTabCtrlEx(QWidget* parent = nullptr);

    // Makes the dictionary page (543, "Dictionary") and the tutor page
    // (551, "Tutor"), shows the first and tells the owner.
    void AddMainPages(CMainDlg* owner);

    CDictionaryDlg* GetDictionaryPage() const;
    CTutorDlg* GetTutorPage() const;
};
