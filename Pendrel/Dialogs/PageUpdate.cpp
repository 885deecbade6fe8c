#include "Pendrel/Dialogs/PageUpdate.h"

#include <QEvent>

#include <iterator>

#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/Controls/KVXHTMLCtrl.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Core/UpdateJob.h"
#include "Pendrel/Dialogs/WorkerProgress.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXLauncher.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXStaticText.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "utility/Posix/Modules.h"
#include "utility/StringTableRegistration.h"

namespace {

constexpr UINT kProgramTitle = 57344;
constexpr UINT kPrivacyNote = 21004;
constexpr UINT kKeyboardTitle = 21043;
constexpr UINT kMainTitle = 21044;
constexpr UINT kKeyboardPicture = 426;
constexpr UINT kMainPicture = 422;
constexpr int kKeyboardId = 2;

const KVXDialogControl kControls[] = {
    {0xFFFF, WC_STATIC, L"Click this button to obtain the latest version.", 14, 14, 240, 10, WS_CHILD | WS_VISIBLE},
    {CPageUpdate::IDC_UPDATE_NOW, WC_BUTTON, L"Update Now", 14, 30, 90, 24,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW},
    {0xFFFF, WC_STATIC, L"Privacy policy:", 14, 68, 240, 10, WS_CHILD | WS_VISIBLE},
    {CPageUpdate::IDC_PRIVACY_NOTE, WC_STATIC, L"", 14, 82, 240, 30, WS_CHILD | WS_VISIBLE},
};
const KVXDialogTemplate kTemplate = {CPageUpdate::IDD, L"", WS_CHILD | WS_VISIBLE, 268, 124, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

const StringTableEntry kStrings[] = {
    {UPDATE_MESSAGE_BAD_VERSION_FILE, L"Error to get latest version information from server."},
    {UPDATE_MESSAGE_UP_TO_DATE, L"The installed version is the latest avaibale version."},
    {UPDATE_MESSAGE_NO_CONNECTION,
     L"Failed to connect with server. Please check your internet connection and retry."},
    {UPDATE_MESSAGE_DOWNLOAD_FAILED, L"Failed to download the latest version from server."},
    {UPDATE_MESSAGE_DOWNLOADED, L"Latest version has been downloaded successfully. The setup process will be "
                                L"launched to install the downloaded version."},
    {UPDATE_MESSAGE_ABORTED, L"Program update has been aborted."},
    {kPrivacyNote, L"Only the version information of %s and the Operating System you are using will be submitted "
                   L"to the server."},
    {kKeyboardTitle, L"Ondrivel"},
    {kMainTitle, L"Quenzel"},
};
const CStringTableRegistration kStringsRegistration(kStrings);

// The running program's version, from its file's version marker.
CBasicVersionNumber RunningVersion() {
    WORD parts[4] = {0, 0, 0, 0};
    GetFileVersion(nullptr, parts);
    return CBasicVersionNumber(parts[0], parts[1], parts[2], parts[3]);
}

} // namespace

CPageUpdate::CPageUpdate(QWidget* notify, QWidget* parent, CKVXApp* app)
    : CKVXDialog(IDD, parent),
      CWorkerThread(1),
      m_updateButton(new CWinButton(WinButtonPush, this)),
      m_privacyNote(nullptr),
      m_notify(notify),
      m_app(app) {
    m_progress.SetKVXApp(app);
}

CPageUpdate::~CPageUpdate() {
    // A download still running stops at its next block; its end is told to
    // this page, which shows nothing for a stopped run.
    m_closing = true;
    m_progress.SetRunning(FALSE);
    WaitForJob();
}

BOOL CPageUpdate::OnInitDialog() {
    BOOL result = CKVXDialog::OnInitDialog();
    SubclassDlgItem(IDC_UPDATE_NOW, m_updateButton);
    m_privacyNote = GetDlgItem<CKVXStaticText>(IDC_PRIVACY_NOTE);
    m_updateButton->SetButtonText(GetDlgItemText(IDC_UPDATE_NOW).GetString());

    CBasicString note;
    note.Format(KVXLoadString(kPrivacyNote).GetString(), KVXLoadString(kProgramTitle).GetString());
    SetDlgItemText(IDC_PRIVACY_NOTE, note.GetString());

    if (m_app) {
        QPalette background = palette();
        background.setColor(QPalette::Window, KVXToQColor(m_app->GetTabPageBkColor()));
        setPalette(background);
        setAutoFillBackground(true);
        update();
        m_updateButton->SetPNG(m_app->GetApplicationId() == kKeyboardId ? kKeyboardPicture : kMainPicture);
    }
    KVXKeepEnterAndEscape(this, this);
    return result;
}

bool CPageUpdate::eventFilter(QObject* watched, QEvent* event) {
    return KVXIsContainedKey(watched, event) || CKVXDialog::eventFilter(watched, event);
}

void CPageUpdate::OnCommand(UINT id) {
    if (id == IDC_UPDATE_NOW) OnBnClickedButtonUpdateNow();
    else CKVXDialog::OnCommand(id);
}

LRESULT CPageUpdate::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KVX_WORKER_STARTED: return OnThreadStarted(wParam, lParam);
    case WM_KVX_WORKER_FINISHED: return OnThreadFinished(wParam, lParam);
    default: return CKVXDialog::WindowProc(message, wParam, lParam);
    }
}

void CPageUpdate::OnBnClickedButtonUpdateNow() {
    Start(FALSE, 0);
}

DWORD CPageUpdate::RunInstance() {
    SendMessage(this, WM_KVX_WORKER_STARTED, 0, 0);
    m_outcome = InitiateUpdate();
    SendMessage(this, WM_KVX_WORKER_FINISHED, 0, 0);
    return 0;
}

int CPageUpdate::InitiateUpdate() {
    UpdateJobSetup setup;
    if (m_app) {
        setup.sendrix = m_app->GetOnlineLibrary().GetModule();
        setup.links = m_app->GetLinkTable();
        setup.applicationId = m_app->GetApplicationId();
        setup.log = m_app->GetLog();
    }
    setup.progress = &m_progress;
    setup.current = RunningVersion();
    CUpdateJob job(setup);
    const int result = job.Run();
    m_outcomeMessage = job.GetOutcomeMessage() ? KVXLoadString(job.GetOutcomeMessage()) : CBasicString();
    if (job.GetOutcomeMessage() == UPDATE_MESSAGE_DOWNLOADED || job.GetOutcomeMessage() == UPDATE_MESSAGE_DOWNLOAD_FAILED) {
        m_installerReady = job.IsInstallerReady();
        m_installerPath = job.GetInstallerPath();
    }
    return result;
}

LRESULT CPageUpdate::OnThreadStarted(WPARAM, LPARAM) {
    m_outcome = 0;
    m_outcomeMessage.Empty();
    m_installerPath.Empty();
    // A page on its way out lets the run end at once, unseen.
    if (m_closing) return 1;
    return KVXShowJobProgress(&m_progress, this);
}

LRESULT CPageUpdate::OnThreadFinished(WPARAM, LPARAM) {
    // A run the user cancelled ends without a word.
    if (!m_progress.IsRunning()) return 1;
    KVXEndJobProgress(&m_progress, nullptr, nullptr);
    const bool keyboard = m_app && m_app->GetApplicationId() == kKeyboardId;
    const CBasicString title = KVXLoadString(keyboard ? kKeyboardTitle : kMainTitle);
    if (m_outcome != 1) {
        KVXMessageBox(m_notify, m_outcomeMessage.GetString(), title.GetString(), MB_OK | MB_ICONERROR);
        return 1;
    }
    KVXMessageBox(m_notify, m_outcomeMessage.GetString(), title.GetString(), MB_OK | MB_ICONINFORMATION);
    if (m_installerReady == 1) {
        KVXLaunchInstaller(m_installerPath.GetString());
        // The installer replaces the program: the options window and the
        // main window close.
        if (m_notify) m_notify->close();
        if (QWidget* main = KVXGetMainWnd()) main->close();
    }
    return 1;
}
