#include "Quenzel/App/QuenzelApp.h"

#include <cstdio>

#include "DataBase/AbstractLinkTable.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/KVXHelp.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Quenzel/App/DataFileProblem.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/SystemError.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\Quenzel";
const wchar_t kSourceFileWide[] = L".\\Quenzel";
constexpr int kLineNoFolder = 293;
const wchar_t kDataBaseLibrary[] = L"DataBase.dll";
const wchar_t kDataFileName[] = L"Quenzel.pkv";
constexpr UINT kLogoPng = 424;
constexpr UINT kAppTitle = 57344;
constexpr UINT kDataBaseError = 31185;
// Error icon, brought to the foreground, topmost; also for a data file that
// does not open.
constexpr UINT kDataBaseErrorFlags = 0x50010;

CQuenzelApp* g_app = nullptr;

// The framework's link table as the database component reads it.
class CProgramLinks : public CAbstractLinkTable {
public:
    const wchar_t* GetLinkURL(int id) const override {
        CKVXApp* app = KVXGetApp();
        const wchar_t* address = app && app->GetLinkTable() ? app->GetLinkTable()->GetLinkURL(id) : nullptr;
        return address ? address : L"";
    }
};
CProgramLinks g_links;

bool IsLoaded(HMODULE module) { return module && module != reinterpret_cast<HMODULE>(-1); }

} // namespace

CQuenzelApp* QuenzelGetApp() { return g_app; }
void QuenzelSetApp(CQuenzelApp* app) { g_app = app; }

int QuenzelMessageBox(QWidget* parent, const wchar_t* text, UINT flags) {
    return KVXMessageBox(parent ? parent : KVXGetMainWnd(), text, QuenzelString(kAppTitle).GetString(), flags);
}

CQuenzelApp::CQuenzelApp() : m_progress(std::make_unique<CProgressDlg>()) {}

CQuenzelApp::~CQuenzelApp() = default;

CBasicString QuenzelAppTitle() { return QuenzelString(kAppTitle); }

CBasicString CQuenzelApp::GetAppTitle() const { return QuenzelAppTitle(); }

COLORREF CQuenzelApp::GetDlgBkColor() { return m_kvxApp ? m_kvxApp->GetDlgBkColor() : 0xFFFFFF; }

COLORREF CQuenzelApp::GetTabPageBkColor() { return m_kvxApp ? m_kvxApp->GetTabPageBkColor() : 0xFFFFFF; }

BOOL CQuenzelApp::InitInstance() {
    m_kvxApp = new CKVXApp();
    KVXSetApp(m_kvxApp);
    if (!m_kvxApp->Init(1, m_progress.get())) {
        m_startFailed = true;
        return FALSE;
    }
    SetLibraryLog(m_kvxApp->GetLog());
    m_progress->SetKVXApp(m_kvxApp);

    CKVXImage logo(CKVXImage::ImageTypePng);
    if (KVXLoadPng(KVXGetInstance(), kLogoPng, logo)) {
        m_logo = KVXImageToQImage(logo);
        ReportAssertion(!m_logo.isNull(), kSourceFile, 65);
    }

    if (!LoadDatabase()) {
        m_startFailed = true;
        return FALSE;
    }
    if (m_mainDialog) m_mainDialog();
    return FALSE;
}

BOOL CQuenzelApp::LoadDatabase() {
    const bool named = !m_libraryPath.IsEmpty();
    if (named)
        m_dataBaseModule = LoadDynamicLibrary(m_libraryPath.GetString());
    else if (m_kvxApp)
        m_dataBaseModule = m_kvxApp->LocalLoadLibrary(kDataBaseLibrary);
    const DWORD error = GetLastError();
    if (!IsLoaded(m_dataBaseModule)) {
        m_dataBaseModule = nullptr;
        CBasicString text;
        text.Format(QuenzelString(kDataBaseError).GetString(), static_cast<int>(error),
                    GetSystemErrorText(error).GetString());
        KVXMessageBox(nullptr, text.GetString(), GetAppTitle().GetString(),
                      kDataBaseErrorFlags);
        // Nothing to look up in a library that is not there.
        return FALSE;
    }
    auto create = reinterpret_cast<CreateDataBaseFunction>(GetLibraryFunction(m_dataBaseModule, "CreateDataBase"));
    if (!create) {
        ReportAssertion(0, kSourceFile, 156);
        return FALSE;
    }
    m_database = create(m_progress.get(), &g_links, 0);
    if (!m_database) {
        ReportAssertion(0, kSourceFile, 163);
        return FALSE;
    }

    // The data file lives in the user's data folder, so each user keeps a
    // dictionary of their own whatever folder the program was installed in.
    CBasicString folder = m_dataFolder;
    if (folder.IsEmpty()) folder = GetPerUserDataFolder(CBasicString(), CBasicString());
    if (folder.IsEmpty()) {
        // No application-data folder: never a data file at the root.
        KVXMessageBox(nullptr, L"Quenzel cannot start: there is no folder for its data file (HOME is not set).",
                      GetAppTitle().GetString(), kDataBaseErrorFlags);
        return FALSE;
    }
    std::wstring path(folder.GetString());
    while (!path.empty() && path.back() == L'/') path.pop_back();
    path += L'/';
    path += kDataFileName;
    m_dataFilePath = path.c_str();

    const int opened = m_database->Open(DATABASE_OPEN_OPTIONS{1, 0}, m_dataFilePath.GetString());
    if (opened != 0) {
        if (CAbstractLog* log = m_kvxApp ? m_kvxApp->GetLog() : nullptr)
            log->LogFormat(kSourceFileWide, __LINE__, 1, L"The data file %s cannot be opened (%d).",
                           m_dataFilePath.GetString(), opened);
        // The log goes with the program; the user learns why it ends.
        const CBasicString text = DescribeDataFileProblem(opened, m_dataFilePath);
        KVXMessageBox(nullptr, text.GetString(), GetAppTitle().GetString(), kDataBaseErrorFlags);
        std::fprintf(stderr, "%s\n", WideToUtf8(text.GetString(), static_cast<size_t>(text.GetLength())).c_str());
        return FALSE;
    }
    m_options.SetDataBase(m_database);
    const int loaded = m_options.Load();
    m_settingsLoaded = loaded != 0;
    SetHelpFile();
    return loaded != 0;
}

void CQuenzelApp::SetHelpFile() {
    const CBasicString help =
        KVXFindHelpFile(GetModulePath(nullptr).GetString(), GetAppTitle().GetString(), kSourceFile, kLineNoFolder);
    if (!help.IsEmpty()) m_helpFile = help;
}

void CQuenzelApp::OnHelp(QWidget* parent) { KVXShowHelp(parent, m_helpFile, GetAppTitle().GetString()); }

void CQuenzelApp::UnloadDatabase() {
    // The settings hold the user's values only after Load ran; saving the
    // defaults would overwrite them.
    if (m_settingsLoaded) m_options.Save();
    m_settingsLoaded = false;
    m_options.SetDataBase(nullptr);
    if (m_database && IsLoaded(m_dataBaseModule)) {
        auto remove =
            reinterpret_cast<DeleteDataBaseFunction>(GetLibraryFunction(m_dataBaseModule, "DeleteDataBase"));
        if (remove) remove(m_database);
    }
    m_database = nullptr;
    if (IsLoaded(m_dataBaseModule)) FreeDynamicLibrary(m_dataBaseModule);
    m_dataBaseModule = nullptr;
}

int CQuenzelApp::ExitInstance() {
    UnloadDatabase();
    FreeImageCache();
    KVXSetApp(nullptr);
    SetLibraryLog(nullptr);
    if (m_kvxApp) {
        m_progress->SetKVXApp(nullptr);
        m_kvxApp->Release();
        delete m_kvxApp;
        m_kvxApp = nullptr;
    }
    return 0;
}

QuenzelServices CQuenzelApp::Services() {
    QuenzelServices services;
    services.database = m_database;
    services.options = m_settingsLoaded ? &m_options : nullptr;
    services.progress = m_progress.get();
    services.flags = &m_flags;
    services.framework = m_kvxApp;
    services.online = m_kvxApp ? &m_kvxApp->GetOnlineLibrary() : nullptr;
    services.logo = &m_logo;
    services.help = [this](QWidget* parent) { OnHelp(parent); };
    return services;
}
