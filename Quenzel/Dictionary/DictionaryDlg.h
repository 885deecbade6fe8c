#pragma once
// CDictionaryDlg: the dictionary page of the main window's tab control. The
// user types a word in the search field (with suggestions while typing),
// searches the dictionary for it, steps to the next or previous dictionary
// word, reopens one of the last ten searches, and opens the word editor.
//
// - Search runs on the page's worker, which only reads the database; the
//   rows reach the result list on the page's own thread. While the job runs
//   Search, Edit Word, the field, Previous and Next are disabled.
// - A search with hits enables Previous and Next and adds its text to the
//   field's history; a text new to the history is also written to the
//   database's history.
// - Next and Previous run on the page's thread (DictionaryDlgModel.h).
// - The Edit Word button is hidden; its command opens the word editor.

#include <vector>

#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Dictionary/Model/DictionaryDlgModel.h"
#include "Quenzel/Model/ShellRecords.h"

class CAdvertiseDialog;
class CPageHost;
class CEditAutoSearch;
class CMultilineListBox;
class CWinButton;

constexpr UINT IDD_DICTIONARY_PAGE = 543;
constexpr UINT IDC_DICTIONARY_AD_PLACE = 3011;
constexpr UINT IDC_DICTIONARY_SEARCH = 11004;
constexpr UINT IDC_DICTIONARY_EDIT_WORD = 11016;
constexpr UINT IDC_DICTIONARY_WORD = 11044;
constexpr UINT IDC_DICTIONARY_RESULTS = 11188;
constexpr UINT IDC_DICTIONARY_PREVIOUS = 11223;
constexpr UINT IDC_DICTIONARY_NEXT = 11224;
constexpr UINT IDC_DICTIONARY_HISTORY = 11249;

class CDictionaryDlg : public CKVXResizableDlg, public CWorkerThread {
    Q_OBJECT

public:
    explicit CDictionaryDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent = nullptr);
    ~CDictionaryDlg() override;

    // The language pair changed (and at the page's start): the list shows
    // the pair's names, the walk of Next and Previous starts again and the
    // history is loaded again. 0 only without a database object.
    virtual int RefreshLanguagePair();
    int LoadHistory();
    int GetFirstLanguage() const { return m_firstLanguage; }
    int GetSecondLanguage() const { return m_secondLanguage; }

    // The result list (the word list box in its dictionary mode); row 0 is
    // the heading with the languages' names.
    CMultilineListBox* GetResultList() const { return m_list; }
    // A copy of the rows the result list shows, the heading first.
    std::vector<GridRow> GetShownRows() const;
    CEditAutoSearch* GetSearchEdit() const { return m_edit; }
    CWinButton* GetButton(UINT id) const;
    const CDictionaryDlgModel& GetModel() const { return m_model; }
    // The word editor, once Edit Word has made it.
    QWidget* GetWordEditor() const { return m_wordEditor; }
    // The advertisement panel, when the settings show it.
    CAdvertiseDialog* GetAdvertisementPanel() const { return m_advertisement; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void SetChildWindowPosition() override;
    void OnCommand(UINT id) override;
    void OnDestroy() override;
    DWORD RunInstance() override;

    void OnSearch();
    void OnHistoryList();
    void OnNextWord();
    void OnPreviousWord();
    void OnEditWord();
    void OnJobStarted();
    void OnJobFinished();

    // Makes the word editor, a top-level window (owned by the page from
    // then on); null while there is none to make.
    virtual QWidget* CreateWordEditor();

private:
    void Step(CDictionaryDlgModel::Direction direction);
    void ShowSearchResult(const CDictionaryDlgModel::SearchResult& result);
    void EnableJobControls(bool enable);
    void EnableSteps(bool enable);
    void ReadLanguagePair();
    void CreateAdvertisementPanel();

    QuenzelServices m_services;
    CPageHost* m_mainDlg;
    CDictionaryDlgModel m_model;
    CEditAutoSearch* m_edit;
    std::vector<CWinButton*> m_buttons;
    CMultilineListBox* m_list;
    QWidget* m_wordEditor = nullptr;
    CAdvertiseDialog* m_advertisement = nullptr;
    int m_firstLanguage = 0;
    int m_secondLanguage = 0;
    int m_historyShown = 0;
    bool m_stepsEnabled = false;
    // The job's text and pair, set before it starts.
    CBasicString m_searchText;
    int m_searchFirst = 0;
    int m_searchSecond = 0;
};
