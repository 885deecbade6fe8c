#pragma once
// CEditListDlg: "Edit View", the window in which a vocabulary list is
// created, edited or filled from a list file, and then stored in one
// transaction. What it edits and how it stores it is CListEditModel's; the
// window shows the rows, forwards the user's actions, and runs the model's
// jobs (import 2, load 3, save 4) on its worker behind the progress
// dialog. While it is open the main window is hidden.


#include <atomic>
#include <memory>

#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Tutor/LearnDlgHelpers.h"
#include "Quenzel/Tutor/Model/ListEditModel.h"

class CLanguageComboBox;
class CPageHost;
class CMultilineListBox;
class CTutorDlg;
class CWinButton;
class QComboBox;

constexpr UINT IDD_EDIT_LIST = 539;

enum : UINT {
    IDC_EDIT_LIST_NAME = 11140,
    IDC_EDIT_LIST_WORDS = 11103,
    IDC_EDIT_LIST_MEANINGS = 11104,
    IDC_EDIT_LIST_ROWS = 11160,
    IDC_EDIT_LIST_ADD = 11101,
    IDC_EDIT_LIST_REMOVE = 11102,
    IDC_EDIT_LIST_SAVE = 11076,
    IDC_EDIT_LIST_TITLE = 3006,
    IDC_EDIT_LIST_TEXT = 11126,
    IDC_EDIT_LIST_LINE = 11111,
    IDC_EDIT_LIST_AD = 3011,
    IDC_EDIT_LIST_NAME_LABEL = 11141,
    IDC_EDIT_LIST_TO_LABEL = 11105,
};

enum { EDIT_JOB_NONE = 0, EDIT_JOB_IMPORT = 2, EDIT_JOB_LOAD = 3, EDIT_JOB_SAVE = 4 };

class CEditListDlg : public CKVXResizableDlg, public CWorkerThread {
    Q_OBJECT

public:
    CEditListDlg(const QuenzelServices& services, CTutorDlg* tutor, CPageHost* mainDlg);
    ~CEditListDlg() override;

    // The tutor page's record and the list to edit (both copied).
    void SetList(const VocabularyListRecord* page, const VocabularyListRecord* edited);
    void SetMode(int mode) { m_mode = mode; }
    void SetImportFile(const CBasicString& path) { m_importPath = path; }
    void SetSeparatorKind(int kind) { m_kind = kind; }

    CListEditModel& GetModel() { return m_model; }
    // The job that runs, or whose end the window has not handled yet.
    int GetJob() const { return m_job != EDIT_JOB_NONE ? m_job.load() : m_lastJob; }
    CMultilineListBox* GetListBox() const { return m_listBox; }
    QComboBox* GetNameBox() const;

    // The actions of the buttons and boxes.
    void OnAdd();
    void OnRemove();
    void OnSave();
    void OnNameTyped();
    void OnNameChosen(int index);
    void OnLanguageChosen();
    // Close and Cancel: asks about unsaved changes.
    void OnClose();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void SetChildWindowPosition() override;
    void OnCommand(UINT id) override;
    void OnCancel() override;
    void OnDestroy() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    DWORD RunInstance() override;
    // How a job learns of a cancel and reports its rows: by default the
    // application's progress dialog. Called on the worker.
    virtual ListFileProgress MakeJobProgress();
    void paintEvent(QPaintEvent* event) override;

private:
    void MakeControls();
    void FillLanguageBoxes();
    void FillNameBox();
    void StartJob(int job);
    // The list box shows the model's rows below its heading row; its edits
    // go back into the model before the model acts.
    void ShowRows();
    // The advertisement panel over its strip when the settings have it on;
    // else the list box grows up into the strip.
    void ShowAdvertisement();
    void TakeRows();
    // The rows below the list box's heading row.
    int ShownRowCount() const;
    // Frees the rows when the window closes (the tutor page keeps the
    // window for the next editing).
    void ReleaseRows();
    void UpdateButtons();
    void EnableWhileJob(bool running);
    void FinishJob(const WorkerResult* end);
    void ShowMessage(const CBasicString& text, UINT flags);

    QuenzelServices m_services;
    CTutorDlg* m_tutor;
    CPageHost* m_mainDlg;
    CListEditModel m_model;
    VocabularyListRecord m_pageList;
    VocabularyListRecord m_editedList;
    int m_mode = LIST_EDIT_CREATE;
    CBasicString m_importPath;
    int m_kind = LIST_FILE_TAB;
    std::atomic<int> m_job{EDIT_JOB_NONE};
    int m_lastJob = EDIT_JOB_NONE;
    CBasicString m_today;
    bool m_closeAfterSave = false;

    CLanguageComboBox* m_words;
    CLanguageComboBox* m_meanings;
    CMultilineListBox* m_listBox;
    CWinButton* m_add;
    CWinButton* m_remove;
    CWinButton* m_save;
    CWinButton* m_close;
    QPointer<CAdvertiseDialog> m_advertisement;
    int m_listTop = -1;  // the list box's top under the advertisement strip
};
