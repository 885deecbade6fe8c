#include "Keyboard/KeyboardApp.h"

#include "Keyboard/KeyboardDlg.h"
#include "Keyboard/KeyboardResources.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/KVXHelp.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Modules.h"

namespace {

const char kSourceFile[] = ".\\Keyboard";
constexpr UINT kLogoPng = 425;
constexpr KVXApplicationID kApplicationId = 2;

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
    SetLibraryLog(m_kvxApp->GetLog());

    CKVXImage logo(CKVXImage::ImageTypePng);
    const BOOL loaded = KVXLoadPng(KVXGetInstance(), kLogoPng, logo);
    if (loaded) m_logo = KVXImageToQImage(logo);
    ReportAssertion(loaded && !m_logo.isNull(), kSourceFile, 82);

    m_optionsLoaded = m_options.Load() != 0;
    if (!m_optionsLoaded) {
        ReportAssertion(0, kSourceFile, 99);
        return FALSE;
    }

    SetHelpFile();

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

void CKeyboardApp::SetHelpFile() {
    m_helpFile = KVXFindHelpFile(GetModulePath(nullptr).GetString(), KeyboardString(IDS_APP_TITLE).GetString(),
                                 kSourceFile, 141);
}

void CKeyboardApp::OnHelp(QWidget* parent) {
    KVXShowHelp(parent, m_helpFile, KeyboardString(IDS_APP_TITLE).GetString());
}
