#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/KVXEndSignals.h"

#include <QObject>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "Pendrel/App/CrashReporter.h"
#include "Pendrel/Core/AbstractProgressStatus.h"
#include "Pendrel/Core/BasicLog.h"
#include "Pendrel/Core/FolderText.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Theme/WinTheme.h"
#include "compat/WinUser.h"
#include "utility/AbstractFile.h"
#include "utility/BasicDateTime.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/PathName.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/SystemInfo.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\KVXApp";
const wchar_t kSourceFileWide[] = L".\\KVXApp";
constexpr int kLineLogExists = 55;
constexpr int kLineLogAllocation = 59;
constexpr int kLineLogInit = 82;
constexpr int kLineSendrix = 139;
constexpr int kLineLocalLoad = 177;
constexpr int kLinePingArguments = 200;
constexpr int kLinePingExport = 207;

constexpr int kIconMain = 366;
constexpr int kIconKeyboard = 367;
constexpr int kKeyboardId = 2;

const wchar_t kDefinitionFile[] = L"LogDef.ini";
const wchar_t kSendrixFile[] = L"Sendrix.dll";
const wchar_t kUrlFile[] = L"UrlFile.xml";


// The background colours, fixed when Pendrel loads.
const COLORREF g_dialogBackground = GetSysColor(COLOR_MENU);
const COLORREF g_tabPageBackground = GetSysColor(COLOR_INFOBK);

std::mutex g_foldersMutex;
CBasicString g_programFolder;
CBasicString g_moduleFolder;

// The folder of a file path: the text before its last separator.
CBasicString FolderOf(const CBasicString& path) {
    int slash = path.ReverseFind(L'/');
    return slash < 0 ? CBasicString() : path.Left(slash);
}

CBasicString FolderOverride(const CBasicString& folder, const CBasicString& fallback) {
    return folder.IsEmpty() ? TrimFolderText(fallback.GetString()) : folder;
}

CBasicString Join(const CBasicString& folder, const wchar_t* name) { return JoinFolderText(folder.GetString(), name); }


void WriteLine(CAbstractLog* log, const CBasicString& text) { log->WriteSourceMessage(text.GetString(), nullptr, 0); }

// Set by the agreement dialog's module when the library is loaded.
std::atomic<KVXAgreementPrompt> g_agreementPrompt{nullptr};

} // namespace

void KVXSetAgreementPrompt(KVXAgreementPrompt prompt) {
    g_agreementPrompt.store(prompt);
}

CAbstractWinTheme* KVXGetTheme() {
    CKVXApp* app = KVXGetApp();
    return app ? app->GetTheme() : nullptr;
}

void KVXSetAppFolders(const wchar_t* programFolder, const wchar_t* moduleFolder) {
    std::lock_guard<std::mutex> lock(g_foldersMutex);
    g_programFolder = TrimFolderText(programFolder);
    g_moduleFolder = TrimFolderText(moduleFolder);
}

CBasicString KVXGetProgramFolder() {
    std::lock_guard<std::mutex> lock(g_foldersMutex);
    return FolderOverride(g_programFolder, FolderOf(GetModulePath(nullptr)));
}

CBasicString KVXGetModuleFolder() {
    std::lock_guard<std::mutex> lock(g_foldersMutex);
    return FolderOverride(g_moduleFolder, FolderOf(GetModulePath(KVXGetInstance())));
}

CKVXApp::CKVXApp() : m_theme(CreateWinTheme()), m_languageCode(L"ENG") {
    // The window theme the owner-drawn controls draw with, from now on.
    KVXSetCurrentWinTheme(m_theme.get());
}

CKVXApp::~CKVXApp() {
    if (KVXGetCurrentWinTheme() == m_theme.get()) KVXSetCurrentWinTheme(nullptr);
}

void CKVXApp::SetLinkTable(std::unique_ptr<CLinkTable> table) { m_linkTable = std::move(table); }

void CKVXApp::LendLog(CAbstractLog* log) {
    ReleaseLog();
    m_log = log;
}

namespace {
// A log-out, `kill` or Ctrl+C closes the program's windows as the user does,
// from the moment the program may show one until Release.
CKVXEndSignals g_endSignals;
} // namespace

int CKVXApp::Init(KVXApplicationID id, CAbstractProgressStatus* progress) {
    m_applicationId = id;
    g_endSignals.Install();
    m_linkTable = std::make_unique<CLinkTable>();

    ReportAssertion(m_log == nullptr, kSourceFile, kLineLogExists);
    ReleaseLog();
    std::unique_ptr<CBasicLog> made(new (std::nothrow) CBasicLog());
    if (!made) {
        ReportAssertion(0, kSourceFile, kLineLogAllocation);
        return FALSE;
    }
    CBasicLog* log = made.get();
    m_ownedLog = std::move(made);
    m_log = log;

    const CBasicString programFolder = KVXGetProgramFolder();
    CBasicString logFolder = programFolder;
    if (IsFolderNotWritable(programFolder.GetString())) logFolder = GetUserDataFolder(CBasicString(), CBasicString());
    const CBasicString logPath = MakeTempFileName(TrimFolderText(logFolder.GetString()).GetString(), L"txt");
    const CBasicString definitionPath = Join(programFolder, kDefinitionFile);
    if (log->Init(definitionPath.GetString(), logPath.GetString(), 1, progress) < 0) {
        ReportAssertion(0, kSourceFile, kLineLogInit);
        // There is no log to tell: the user learns why the program ends in a
        // message box, and standard error says it too. The log file's name
        // is reserved (made) before the definitions are read, so a name that
        // could not be made means the folder, not the definitions.
        CBasicString text;
        if (logPath.IsEmpty())
            text.Format(L"Cannot start: no log file can be made in the folder \"%s\" (it does not exist, cannot be "
                        L"written or is not accessible).",
                        TrimFolderText(logFolder.GetString()).GetString());
        else
            text.Format(L"Cannot start: the event definitions \"%s\" are missing, unreadable or define no event, or "
                        L"the log file \"%s\" cannot be written.",
                        definitionPath.GetString(), logPath.GetString());
        std::fprintf(stderr, "%s\n", WideToUtf8(text.GetString(), text.GetLength()).c_str());
        KVXMessageBox(nullptr, text.GetString(), GetFileTitleFromPath(GetModulePath(nullptr).GetString()).GetString(),
                      MB_ICONERROR);
        // The reserved name of a log file that was never opened.
        if (!logPath.IsEmpty() && !log->GetLogFilePath()[0])
            std::remove(WideToUtf8(logPath.GetString(), logPath.GetLength()).c_str());
        return FALSE;
    }
    SetLibraryLog(m_log);

    const CBasicString programPath = GetModulePath(nullptr);
    CBasicString line;
    line.Format(L"Application: %s, Version: %s", programPath.GetString(),
                GetFileVersionText(programPath.GetString()).GetString());
    WriteLine(m_log, line);
    line.Format(L"User name: %s", GetUserNameText().GetString());
    WriteLine(m_log, line);
    line.Format(L"Started date: %s", GetCurrentLocalTime().FormatDate().GetString());
    WriteLine(m_log, line);
    line.Format(L"Operating system: %s\r\n", GetOperatingSystemName().GetString());
    WriteLine(m_log, line);

    m_linkTable->SetLog(m_log);

    // The agreement, once per application id. A stored value other than 0
    // and 1 cannot come from this code: it is asked again rather than
    // locking the user out for good.
    CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
    CBasicString subKey;
    subKey.Format(L"App%d", id);
    DWORD accepted = registry.GetDWORD(subKey.GetString(), L"EULA", 0);
    if (accepted != 1) {
        accepted = 0;
        const KVXAgreementPrompt prompt = g_agreementPrompt.load();
        if (prompt && prompt()) {
            accepted = 1;
            registry.SetDWORD(subKey.GetString(), L"EULA", accepted);
        }
    }
    line.Format(L"Application: %d, EULA: %d", id, static_cast<int>(accepted));
    WriteLine(m_log, line);
    if (accepted != 1) return FALSE;

    m_online.Reset(LocalLoadLibrary(kSendrixFile));
    if (!m_online.IsLoaded()) {
        if (CAbstractLog* libraryLog = GetLibraryLog())
            libraryLog->LogEventFormat(kSourceFileWide, kLineSendrix, L"EMAILCLIENT", 0, kSendrixFile);
        return FALSE;
    }

    // The link table of Pendrel's folder; while that folder cannot be
    // written, the per-user data folder's copy when there is one.
    CBasicString linkFolder = KVXGetModuleFolder();
    if (IsFolderNotWritable(linkFolder.GetString())) {
        CBasicString userFolder = GetUserDataFolder(CBasicString(), CBasicString());
        if (!userFolder.IsEmpty() && PathExists(Join(userFolder, kUrlFile).GetString())) linkFolder = userFolder;
    }
    m_linkTable->SetLog(m_log);
    m_linkTable->Load(linkFolder.GetString(), m_online.GetModule());
    InstallStructuredExceptionTranslator();
    return TRUE;
}

void CKVXApp::ReleaseLog() {
    if (!m_log) return;
    if (GetLibraryLog() == m_log) SetLibraryLog(nullptr);
    m_log = nullptr;
    m_ownedLog.reset();
}

void CKVXApp::Release() {
    g_endSignals.Uninstall();
    m_linkTable.reset();
    m_online.Reset(nullptr);
    SetLibraryLog(nullptr);
    ReleaseLog();
}

HINSTANCE CKVXApp::LocalLoadLibrary(const wchar_t* fileName) {
    if (!fileName || !*fileName) {
        ReportAssertion(0, kSourceFile, kLineLocalLoad);
        return nullptr;
    }
    return LoadDynamicLibrary(Join(KVXGetModuleFolder(), fileName).GetString());
}

int CKVXApp::PingServer(const wchar_t* url) {
    if (!m_online.IsLoaded() || !url) {
        ReportAssertion(0, kSourceFile, kLinePingArguments);
        return 0;
    }
    if (!m_online.CanCreateHttpFile()) {
        ReportAssertion(0, kSourceFile, kLinePingExport);
        return 0;
    }
    bool reachable = false;
    CAbstractFile* file = m_online.CreateHttpFile(url, m_log);
    if (file) reachable = file->Open(url, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) >= 0;
    m_online.DeleteHttpFile(file);
    return reachable ? 1 : 0;
}

HICON CKVXApp::GetApplicationIcon(int size) {
    return KVXLoadIcon(KVXGetInstance(), m_applicationId == kKeyboardId ? kIconKeyboard : kIconMain, size,
                       LOAD_ICON_DEFAULT_COLORS);
}

const wchar_t* CKVXApp::GetLanguageCode() { return m_languageCode.GetString(); }

COLORREF CKVXApp::GetDlgBkColor() { return g_dialogBackground; }

COLORREF CKVXApp::GetTabPageBkColor() { return g_tabPageBackground; }

int CKVXApp::CreateAdvertiseWnd(const wchar_t*, const std::vector<CBasicString>&, KVXLinkID) { return 0; }

void CKVXApp::OnAdvertiseWndDestroy() {
    m_advertiseView = nullptr;
    m_advertiseFrame = nullptr;
}

CAdvertiseView* CKVXApp::GetAdvertiseView() { return m_advertiseView; }

CAdvertiseFrameWnd* CKVXApp::GetAdvertiseFrame() { return m_advertiseFrame; }
