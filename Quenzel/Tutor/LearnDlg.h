#pragma once
// CLearnDlg: the learning view "Learn View" (template 535). It shows the
// words of the training criteria in the multi-line word list box (in its
// learning mode) with their meanings, which can be hidden and uncovered one
// by one; marks words "Known" or "Unknown", counts them,
// saves the marks and edits in one transaction, exports the shown words to
// a text file, and prints them. The rows and rules live in LearningSession;
// loading, marking from the buttons, saving and exporting run on the
// view's worker behind the application's progress dialog.
//
// The tutor page makes it once and opens it for each Learn:
//
//   m_learn = new CLearnDlg(mainWindow);
//   m_learn->SetListRecord(list);       // languages and editable flag
//   m_learn->SetQueryOptions(options);
//   m_learn->SetListsChangedHandler(...);  // after a save that removed words
//   m_learn->Open();   // created (again), placed, shown; the main window hides
//
// Closing it with unsaved marks asks whether to save first; closing hands
// its place to the main window and shows that again.

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Tutor/LearnDlgHelpers.h"
#include "Quenzel/Tutor/Model/LearningSession.h"

class CAbstractProgressStatus;
class CMultilineListBox;

constexpr UINT IDD_LEARN = 535;
constexpr UINT IDC_LEARN_TITLE = 3006;
constexpr UINT IDC_LEARN_HELP = 11126;
constexpr UINT IDC_LEARN_LINE = 11111;
constexpr UINT IDC_LEARN_LIST = 11160;
constexpr UINT IDC_LEARN_LIST_VIEW = 11244;
constexpr UINT IDC_LEARN_HIDE_MEANINGS = 11131;
constexpr UINT IDC_LEARN_LANGUAGES = 11100;
constexpr UINT IDC_LEARN_KNOWN_VALUE = 11122;
constexpr UINT IDC_LEARN_UNKNOWN_VALUE = 11123;
constexpr UINT IDC_LEARN_TOTAL_VALUE = 11124;
constexpr UINT IDC_LEARN_KNOWN = 11000;
constexpr UINT IDC_LEARN_UNKNOWN = 11001;
constexpr UINT IDC_LEARN_EXPORT = 11087;
constexpr UINT IDC_LEARN_SAVE = 11076;
constexpr UINT IDC_LEARN_REMOVE = 11102;
constexpr UINT IDC_LEARN_ADVERTISEMENT = 3011;
// A mark changed; wParam the row number shown in the counters.
constexpr UINT WM_LEARN_COUNTERS = WM_USER + 203;

// The view's jobs.
enum LearnJob { LEARN_JOB_NONE = 0, LEARN_JOB_EXPORT = 1, LEARN_JOB_LOAD = 3, LEARN_JOB_SAVE = 4,
                LEARN_JOB_KNOWN = 6, LEARN_JOB_UNKNOWN = 7 };

// Rows a printed page holds.
constexpr int kLearnRowsPerPage = 30;

class CLearnDlg : public CKVXResizableDlg, public CWorkerThread {
    Q_OBJECT

public:
    // owner: the main window, hidden while the view shows (not owned).
    explicit CLearnDlg(const QuenzelServices& services, QWidget* owner = nullptr);
    ~CLearnDlg() override;

    void SetListRecord(const VocabularyListRecord& list);
    void SetQueryOptions(const CQueryOptions& options);
    // Called with the criteria's list ids after a save that removed words
    // from their lists (the tutor page updates their word counts).
    void SetListsChangedHandler(std::function<void(const std::vector<int64_t>&)> handler) {
        m_listsChanged = std::move(handler);
    }
    // The progress interface the jobs report to and stop by; by default the
    // application's progress dialog.
    void SetJobProgress(CAbstractProgressStatus* progress) { m_jobProgress = progress; }

    // Creates the window (again; the words load anew), places it at the
    // saved "Learn" placement and shows it; the owner hides. FALSE when the
    // window could not be made.
    BOOL Open();

    LearningSession& Session() { return m_session; }
    CMultilineListBox* GetList() const { return m_listBox; }
    // Number of pages a print of the rows takes.
    UINT GetPageCount() const;
    int GetJob() const { return m_job; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Printing: the words, kLearnRowsPerPage a page, each page with
    // "PAGE n of m" at its foot.
    BOOL OnPreparePrinting(CPrintInfo* info) override;
    void OnPrint(CKVXPrinterDeviceContext* dc, CPrintInfo* info) override;
    QWidget* GetCurrentVisibleWnd() override { return this; }

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void SetChildWindowPosition() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnCommand(UINT id) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    void paintEvent(QPaintEvent* event) override;
    DWORD RunInstance() override;

private:
    BOOL StartJob(int job);
    void OnExport();
    void OnRemove();
    void OnJobFinished();
    void AskToClose();
    void EnableControls(bool enable);
    void UpdateCounters(int row);
    std::vector<int> SelectedRows() const;
    CAbstractProgressStatus* JobProgress() const;

    QuenzelServices m_services;
    QWidget* m_owner;
    CMultilineListBox* m_listBox;  // a child of the view
    LearningSession m_session;
    std::function<void(const std::vector<int64_t>&)> m_listsChanged;
    CAbstractProgressStatus* m_jobProgress = nullptr;

    int m_job = LEARN_JOB_NONE;
    // What a job works from, taken on the window's thread when it starts.
    std::vector<int> m_jobRows;  // the rows a mark job marks
    CBasicString m_loadCaption;  // the languages line a load reports under
    CBasicString m_exportPath;
    int m_exportKind = 0;  // LIST_FILE_TAB or LIST_FILE_COMMA
    bool m_closeAfterSave = false;
    bool m_removedLinksSaved = false;
    bool m_saveFailed = false;  // the last save could not be stored

    TutorFirstLayout m_firstLayout;
    QPointer<CAdvertiseDialog> m_advertisement;
    int m_listTop = -1;  // the list box's top under the advertisement strip
};
