#include "Keyboard/KeyboardApp.h"

#include <QFileInfo>

#include "Keyboard/KeyboardDlg.h"
#include "Keyboard/KeyboardResources.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/Shell.h"
#include "utility/Posix/SystemError.h"

namespace {

const char kSourceFile[] = ".\\Keyboard";
constexpr UINT kLogoPng = 425;
constexpr KVXApplicationID kApplicationId = 2;
// The help file beside the program: the title with this extension.
const wchar_t kHelpExtension[] = L".html";

CKeyboardApp* g_app = nullptr;

} // namespace

CKeyboardApp* KeyboardGetApp() { return g_app; }
void KeyboardSetApp(CKeyboardApp* app) { g_app = app; }

CKeyboardApp::CKeyboardApp() = default;

CKeyboardApp::~CKeyboardApp() = default;

BOOL CKeyboardApp::InitInstance() {
    m_kvxApp = new CKVXApp();
    KVXSetApp(m_kvxApp);
    if (!m_kvxApp->Init(kApplicationId, nullptr)) return FALSE;
    SetLibraryLog(m_kvxApp->m_pLog);

    CKVXImage logo(CKVXImage::ImageTypePng);
    const BOOL loaded = KVXLoadPng(KVXGetInstance(), kLogoPng, logo);
    if (loaded) m_logo = KVXImageToQImage(logo);
    ReportAssertion(loaded && !m_logo.isNull(), kSourceFile, 82);

    m_optionsLoaded = m_options.Load() != 0;
    if (!m_optionsLoaded) {
        ReportAssertion(0, kSourceFile, 99);
        return FALSE;
    }

    // The help file: the program's folder and its title.
    const std::wstring program = GetModulePath(nullptr).GetString();
    const size_t slash = program.rfind(L'/');
    ReportAssertion(slash != std::wstring::npos, kSourceFile, 141);
    if (slash != std::wstring::npos) {
        const std::wstring help = program.substr(0, slash + 1) + KeyboardString(IDS_APP_TITLE).GetString() +
                                  kHelpExtension;
        if (QFileInfo::exists(KVXToQString(help.c_str()))) m_helpFile = help.c_str();
    }

    if (!m_runDialog) return FALSE;
    CKeyboardDlg dialog(m_options);
    KVXSetMainWnd(&dialog);
    dialog.RunWithoutFocus();
    KVXSetMainWnd(nullptr);
    return FALSE;
}

int CKeyboardApp::ExitInstance() {
    if (m_optionsLoaded) m_options.Save();
    m_optionsLoaded = false;
    KVXSetApp(nullptr);
    SetLibraryLog(nullptr);
    if (m_kvxApp) {
        m_kvxApp->Release();
        delete m_kvxApp;
        m_kvxApp = nullptr;
    }
    return 0;
}

void CKeyboardApp::OnHelp(QWidget* parent) {
    if (m_helpFile.IsEmpty()) return;
    if (OpenWithShell(m_helpFile.GetString())) return;
    const DWORD error = GetLastError();
    KVXMessageBox(parent, GetSystemErrorText(error).GetString(), KeyboardString(IDS_APP_TITLE).GetString(), MB_ICONERROR);
}
