#pragma once
// CPageUpdate: the update page that both programs put into their options
// windows (template 507, a child page): a line of explanation, the button
// "Update Now" (2008) and the privacy note (2009).
//
// "Update Now" starts the page's worker, which checks for a newer version
// and downloads its installer (CUpdateJob, Core/UpdateJob.h) while the
// page's own progress dialog shows; the dialog's Cancel stops the download
// and then nothing is shown. At the end the outcome is shown in a message
// box over the notify window (the hosting options window), titled
// "Ondrivel" in the keyboard program and "Quenzel" otherwise. After a
// download the installer is started (KVXLauncher.h) and the notify window
// and the program's main window (KVXMainWindow.h) are asked to close, so
// that the installer can replace the program.
//
// Hosting: construct the page with the options window as notify window and
// parent, Create() it, place it and show it. Enter and Escape stay inside
// the page and never close the host. A page being destroyed stops its
// download and waits for its worker.

#include <QPointer>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXDialog.h"
#include "utility/BasicString.h"

class CKVXStaticText;
class CWinButton;

class PENDREL_API CPageUpdate : public CKVXDialog, public CWorkerThread {
    Q_OBJECT

public:
    static constexpr UINT IDD = 507;
    static constexpr UINT IDC_UPDATE_NOW = 2008;
    static constexpr UINT IDC_PRIVACY_NOTE = 2009;

    // notify: the window that owns the message boxes and is closed before
    // the installer starts (may be null); app: borrowed, may be null.
    CPageUpdate(QWidget* notify, QWidget* parent, CKVXApp* app);
    ~CPageUpdate() override;

    CWinButton* GetUpdateButton() const { return m_updateButton; }
    CProgressDlg& GetProgressDlg() { return m_progress; }
    // The outcome of the last run: 1 without a failure; its message; the
    // installer downloaded.
    int GetOutcome() const { return m_outcome; }
    const CBasicString& GetOutcomeMessage() const { return m_outcomeMessage; }
    const CBasicString& GetInstallerPath() const { return m_installerPath; }
    int IsInstallerReady() const { return m_installerReady; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void OnBnClickedButtonUpdateNow();
    LRESULT OnThreadStarted(WPARAM wParam, LPARAM lParam);
    LRESULT OnThreadFinished(WPARAM wParam, LPARAM lParam);

    // The worker: tells the page of its start, runs InitiateUpdate, tells
    // the page of its end.
    DWORD RunInstance() override;
    int InitiateUpdate();

private:
    CWinButton* m_updateButton;
    CKVXStaticText* m_privacyNote;
    int m_outcome = 0;
    CBasicString m_outcomeMessage;
    CBasicString m_installerPath;
    int m_installerReady = 0;
    bool m_closing = false;
    QPointer<QWidget> m_notify;
    CKVXApp* m_app;
    CProgressDlg m_progress;
};
