#pragma once
// CTutorDlg: the tutor page of the main window's tab control. It manages
// the vocabulary lists (create, edit, import, export, delete), holds the
// training criteria, opens the learning view and the quiz, and
// synchronises the lists with the online account. Export and
// synchronisation run on the page's worker behind the application's
// progress dialog, which can cancel them; the worker never touches a
// widget.


#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "DataBase/QueryOptions.h"
#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Shared/VocabularyListsPage.h"
#include "Quenzel/Tutor/ListWordCounts.h"
#include "Quenzel/Tutor/Model/TrainingCriteria.h"
#include "Quenzel/Tutor/TutorSync.h"
#include "Quenzel/Tutor/VocabularyListExport.h"

class CAbstractFile;
class CEditListDlg;
class CLearnDlg;
class CQuizDlg;
class CPageHost;
class CVocabularyListCtrl;
class CWinButton;
class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLineEdit;
struct WordKeyRecord;

constexpr UINT IDD_TUTOR_PAGE = 551;

// Controls of the page.
enum : UINT {
    IDC_TUTOR_LISTS = 11086,
    IDC_TUTOR_SYNC = 11012,
    IDC_TUTOR_IMPORT = 11006,
    IDC_TUTOR_EXPORT = 11087,
    IDC_TUTOR_CREATE = 11013,
    IDC_TUTOR_EDIT = 11016,
    IDC_TUTOR_DELETE = 11010,
    IDC_TUTOR_LEARN = 11084,
    IDC_TUTOR_QUIZ = 11085,
    IDC_TUTOR_ALL_WORDS = 11045,
    IDC_TUTOR_FILTERED = 11046,
    IDC_TUTOR_STATUS = 11047,
    IDC_TUTOR_BETWEEN = 11050,
    IDC_TUTOR_MONTHS_CHOICE = 11051,
    IDC_TUTOR_DAYS_CHOICE = 11052,
    IDC_TUTOR_START = 11048,
    IDC_TUTOR_END = 11049,
    IDC_TUTOR_MONTHS = 11054,
    IDC_TUTOR_DAYS = 11014,
    IDC_TUTOR_AND = 11114,
    IDC_TUTOR_MONTHS_LABEL = 11018,
    IDC_TUTOR_DAYS_LABEL = 11053,
    IDC_TUTOR_LISTS_HEADER = 11112,
    IDC_TUTOR_CRITERIA_HEADER = 11113,
    IDC_TUTOR_LISTS_LINE = 11117,
    IDC_TUTOR_CRITERIA_LINE = 11115,
};

// The page's worker jobs.
enum { TUTOR_JOB_NONE = 0, TUTOR_JOB_EXPORT = 1, TUTOR_JOB_SYNC = 5 };

class CTutorDlg : public CKVXResizableDlg, public CWorkerThread, public CVocabularyListsPage {
    Q_OBJECT

public:
    CTutorDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent = nullptr);
    ~CTutorDlg() override;

    // Reads the vocabulary lists again (after the languages changed).
    virtual void RefreshLists() { FillVocabularyLists(); }

    // Rebuilds the list control from the database: 0 without a database.
    int FillVocabularyLists();
    // update 0: the record (taken over) becomes a new last row; 1: the row
    // takes a copy of the record. 0 for a missing record or a bad row.
    int SetListRow(VocabularyListRecord* list, int row, int update) override;
    // The first row of the list id: 1 found, 0 not (row -1).
    int FindListRow(int64_t listId, int& row) override;
    // Each list's word count from the database's statistics, shown and
    // stored (while the progress dialog runs).
    void UpdateListWordCounts(const std::vector<int64_t>& listIds);
    // Shows and stores the counts in the rows of their lists.
    void ApplyListWordCounts(const std::vector<ListWordCount>& counts);
    // The criteria and the selected lists as query options; 1 when a view
    // may open (the rules are in TrainingCriteria.h).
    int GetQueryOptions(CQueryOptions& options);
    // WordUse.h for the page's database.
    int LookupWordUse(const WordKeyRecord& word, int& textHits, int& idUses);

    // The buttons.
    void OnSync();
    void OnImportList();
    void OnExportList();
    void OnCreateList();
    void OnEditList();
    void OnDeleteLists();
    void OnLearn();
    void OnQuiz();
    // Starts the synchronisation job in the direction (0 to local, 1 to
    // online), as the synchronisation dialog's OK does.
    BOOL StartSync(int direction);

    CPageHost* GetMainDlg() const { return m_mainDlg; }
    CVocabularyListCtrl* GetListCtrl() const override { return m_list; }
    CEditListDlg* GetEditListDlg() const { return m_editDlg.get(); }
    // The learning view and the quiz: null until Learn or Quiz opened them.
    CLearnDlg* GetLearnDlg() const { return m_learnDlg.get(); }
    CQuizDlg* GetQuizDlg() const { return m_quizDlg.get(); }
    int GetJob() const { return m_job; }
    // The records of the rows, in the control's order.
    std::vector<const VocabularyListRecord*> GetRowRecords() const;
    std::vector<const VocabularyListRecord*> GetSelectedRecords() const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void OnCommand(UINT id) override;
    void OnDestroy() override;
    DWORD RunInstance() override;

    // The HTTP file of the online-services library, made on first use;
    // null when the library is not loaded.
    virtual CAbstractFile* GetHttpFile();
    virtual int SynchronizeDataBase(CAbstractFile* http, const wchar_t* email, const wchar_t* password,
                                    int direction);
    // Opens the learning view (Learn) or the quiz (Quiz) with the options:
    // made once, then handed the new criteria and opened again.
    virtual QWidget* OpenTrainingWindow(UINT command, const CQueryOptions& options,
                                        const VocabularyListRecord& list);

private:
    void MakeControls();
    void ApplyEnabling(const TrainingCriteriaEnabling& enabling);
    void OnCriteriaChanged(bool allWordsChosen);
    TrainingCriteriaInput ReadCriteria() const;
    bool GetPair(int& first, int& second);
    void ShowMessage(const CBasicString& text, UINT flags);
    void ShowMessage(UINT id, UINT flags);
    void ShowRecords();
    void OpenEditor(int mode, const VocabularyListRecord& list, int placement, const CBasicString& path, int kind);
    void FreeHttpFile();

    QuenzelServices m_services;
    CPageHost* m_mainDlg;
    CVocabularyListCtrl* m_list;
    std::vector<std::unique_ptr<VocabularyListRecord>> m_records;
    std::unique_ptr<CEditListDlg> m_editDlg;
    std::unique_ptr<CLearnDlg> m_learnDlg;
    std::unique_ptr<CQuizDlg> m_quizDlg;
    QButtonGroup* m_wordsGroup;
    QButtonGroup* m_periodGroup;
    QDateEdit* m_start;
    QDateEdit* m_end;
    std::vector<CWinButton*> m_buttons;

    CAbstractFile* m_httpFile = nullptr;
    bool m_ownsHttpFile = false;
    std::atomic<int> m_job{TUTOR_JOB_NONE};
    // What the running job works from, taken when it started.
    std::optional<VocabularyListExport> m_export;
    std::optional<TutorSync> m_sync;
};
