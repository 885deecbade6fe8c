#pragma once
// The progress dialog "Please wait..." (template 508): the window that the
// dialogs show while a worker runs, and the progress and observer
// interface (AbstractProgressStatus.h) that the log and the database
// component report through.
//
// The application owns one and shows it for each job: the owner window
// sets it running, chooses the busy bar and creates it modeless over
// itself (WorkerProgress.h does that for the worker messages); at the
// job's end the owner clears the running flag and destroys the window.
// Cancel (or Escape, or the close box) clears the running flag and closes
// the window; a job that tests IsRunning between its rows then stops.
// Enter closes the window and leaves the job running.
//
// Threads: SetProgress and IsRunning are called on the job's thread. The
// running flag is atomic; reports are handed to the dialog's thread,
// where the latest report of each kind is shown (a fast job does not
// flood the window), and a report that arrives after the window closed is
// dropped. Texts returned by LoadStringW and MultiByteToWideChar stay valid
// until the next call of the same operation on the same object from the
// same thread.
//
// The dialog is never a Qt child of its owner, so an owner that goes does
// not take the application's progress dialog with it.

#include <QPointer>
#include <QProgressBar>

#include <mutex>
#include <optional>

#include "Pendrel/Controls/KVXProgressCtrl.h"
#include "Pendrel/Core/AbstractProgressStatus.h"
#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXDialog.h"

class CKVXApp;

// The bar of the dialog's control 2010.
enum PROGRESS_MODE {
    PROGRESS_MODE_BAR = 0,   // a plain progress bar
    PROGRESS_MODE_BUSY = 1   // the animated busy bar (KVXProgressCtrl.h)
};

class PENDREL_API CProgressDlg : public CKVXDialog, public CAbstractProgressStatus {
public:
    static constexpr UINT IDD = 508;
    static constexpr UINT IDC_CAPTION = 2012;
    static constexpr UINT IDC_BAR = 2010;
    static constexpr UINT IDC_FIRST_LABEL = 2013;
    static constexpr UINT IDC_FIRST_PAIR = 2014;
    static constexpr UINT IDC_SECOND_LABEL = 2011;
    static constexpr UINT IDC_SECOND_PAIR = 2015;
    static constexpr UINT IDS_SYNCING_LIST = 31362;
    static constexpr UINT IDI_CANCEL = 337;

    // parent: the owner when Create names none.
    explicit CProgressDlg(QWidget* parent = nullptr);
    ~CProgressDlg() override;

    void SetKVXApp(CKVXApp* app) { m_app = app; }
    CKVXApp* GetKVXApp() const { return m_app; }
    void SetRunning(BOOL running) { m_running.store(running ? TRUE : FALSE); }
    // Takes effect at the next showing.
    void SetDlgMode(PROGRESS_MODE mode) { m_mode = mode; }
    PROGRESS_MODE GetDlgMode() const { return m_mode; }
    // The bar of the current showing (null when the mode has the other).
    CKVXProgressCtrl* GetBusyBar() const { return m_busyBar; }
    QProgressBar* GetProgressBar() const { return m_progressBar; }

    // CAbstractUILog
    void AddLogMsg(const wchar_t* text, const wchar_t* time, LOG_ICON_TYPE level, UINT code) override;
    const wchar_t* LoadStringW(UINT id) override;
    const char* WideCharToMultiByte(UINT codePage, const wchar_t* text) override;
    // UTF-8 whatever the code page.
    const wchar_t* MultiByteToWideChar(UINT codePage, const char* text) override;
    const char* MultiByteToMultiByte(UINT fromCodePage, const char* text, UINT toCodePage) override;
    const wchar_t* EncodeURL(const wchar_t* text) override;
    // CAbstractProgressStatus
    // Kind 1: the caption "Syncing vocabulary list: <text>" and the first
    // pair; kind 2: the second pair; any other kind and null: nothing.
    void SetProgress(const ProgressInfo* info) override;
    const wchar_t* GetDocumentsPath() override;
    BOOL IsRunning() override { return m_running.load(); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // On the dialog's thread: shows the reports that came in.
    void ShowPendingProgress();
    void ShowLabel(UINT id, const CBasicString& text);

    std::atomic<BOOL> m_running{TRUE};
    QPointer<QWidget> m_defaultOwner;
    CKVXApp* m_app = nullptr;
    PROGRESS_MODE m_mode = PROGRESS_MODE_BUSY;
    QPointer<CKVXProgressCtrl> m_busyBar;
    QPointer<QProgressBar> m_progressBar;

    std::mutex m_progressMutex;
    std::optional<ProgressInfo> m_pending[2];  // kinds 1 and 2
    bool m_progressQueued = false;
};
