#pragma once
// CMainDlg: the main window. A header with the page's title and
// description over the logo, the tab control with the dictionary and the
// tutor pages, the language pair (words "To" meanings) and the buttons
// "Options" and "Close". Enter and Escape never close it.

#include <memory>

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Shared/PageHost.h"

class CLanguageComboBox;
class CTabCtrlEx;
class CAboutDlg;
class QMenu;
class QPoint;
class CDictionaryDlg;
class CTutorDlg;
class QLabel;

constexpr UINT IDD_MAIN = 542;
constexpr UINT IDC_OPTIONS = 11017;
constexpr UINT IDC_TAB = 8020;
constexpr UINT IDC_HEADER_LINE = 11111;
constexpr UINT IDC_HEADER_TITLE = 3006;
constexpr UINT IDC_HEADER_TEXT = 11126;

// Sent by the options dialog after Save; wParam 1 when the languages
// changed. The main window refreshes its languages and pages.
constexpr UINT WM_QUENZEL_OPTIONS_SAVED = WM_USER + 207;

// The window-menu commands: the About box and the program's help.
constexpr UINT IDM_ABOUTBOX = 16;
constexpr UINT ID_HELP = 0xE146;

// The desktop's window manager owns the window menu, so the About and Help
// items sit in the context menu of the header strip (the band above the
// header line); F1 anywhere in the program opens the help.
class CMainDlg : public CPageHost {
    Q_OBJECT

public:
    explicit CMainDlg(const QuenzelServices& services, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Fills both combos with the languages of the database (later entries
    // first) and selects the saved pair, item 0 where a name is gone.
    void FillLanguages();
    // The language ids of both combos: 1, or 0 when a combo has no
    // selection.
    int GetSelectedLanguages(int* first, int* second) override;
    int ShowMessageBox(const wchar_t* text, UINT type, QWidget* owner = nullptr) override;

    // What the pages of the window use of the program; handed to each.
    const QuenzelServices& Services() const { return m_services; }
    CLanguageComboBox* GetFirstCombo() const override { return m_first; }
    CLanguageComboBox* GetSecondCombo() const override { return m_second; }
    CVocabularyListsPage* GetVocabularyListsPage() const override;
    CTabCtrlEx* GetTabCtrl() const { return m_tab; }
    CDictionaryDlg* GetDictionaryPage() const { return m_dictionary; }
    CTutorDlg* GetTutorPage() const { return m_tutor; }
    // The About box of the last opening; null before the first.
    CAboutDlg* GetAboutDialog() const { return m_aboutDlg.get(); }
    // The header strip's context menu, built for a click at that point of
    // the window; null outside the strip. The caller deletes it.
    QMenu* CreateHeaderMenu(const QPoint& position);
    CBasicString GetHeaderTitle() const;
    CBasicString GetHeaderText() const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnCommand(UINT id) override;
    void OnDestroy() override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    virtual void OnOptions();
    void OnAbout();
    void OnLanguageChanged();
    // The dictionary page takes a pair changed while it was hidden.
    void RefreshDictionaryPair();
    void OnPageChanged(UINT pageId);
    void OnOptionsSaved(bool languagesChanged);

private:
    QuenzelServices m_services;
    CLanguageComboBox* m_first;
    CLanguageComboBox* m_second;
    CTabCtrlEx* m_tab;
    CDictionaryDlg* m_dictionary = nullptr;
    CTutorDlg* m_tutor = nullptr;
    std::unique_ptr<CAboutDlg> m_aboutDlg;
    bool m_dictionaryPairStale = false;
};
