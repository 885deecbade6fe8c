#pragma once
// CTabCtrlEx: the tab control of the main window (the dictionary and the
// tutor pages) and of the options dialog (its pages).

#include "Pendrel/Controls/KVXTabCtrl.h"

class CMainDlg;
class COptionsDialog;
class CPageStatics;
class CPageSettings;
class CPageLanguage;
class CPagePlugin;
class CPageFonts;
class CPageUpdate;
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

    // Makes the options pages in their tab order, "Statics", "Settings",
    // "Language", "Plugins", "Fonts", "Update", shows the first and tells no
    // one of page changes. updateWindow: the window the update page shows
    // its messages over and closes before an installer starts.
    void AddOptionPages(COptionsDialog* owner, QWidget* updateWindow);

    CPageStatics* GetStaticsPage() const;
    CPageSettings* GetSettingsPage() const;
    CPageLanguage* GetLanguagePage() const;
    CPagePlugin* GetPluginPage() const;
    CPageFonts* GetFontsPage() const;
    CPageUpdate* GetUpdatePage() const;
};
