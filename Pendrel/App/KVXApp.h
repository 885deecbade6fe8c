#pragma once
// CKVXApp: the framework's application-services object, one per program.
// The program makes it, registers it with KVXSetApp and calls Init before
// it shows any window; at exit it calls Release, then deletes it. The
// programs read the log, the online-services library and the link table
// through its accessors.
//
// Init, in this order: the link table (empty), the log (a new temporary log
// file "KVXnnnn.txt" per start in the program's folder, or in the per-user
// data folder when the program's folder cannot be written, described by
// "LogDef.ini" of the program's folder), the four start lines, the
// end-user agreement once per application id (Software\Morvane\KVX\App<id>,
// value "EULA"), the online-services library from Pendrel's own folder, and
// last the link table "UrlFile.xml" and the crash reporter on the calling
// thread. A missing "LogDef.ini" (named on standard error), a declined
// agreement or a missing online-services library make Init fail; a missing
// link table does not.

#include <memory>
#include <vector>

#include "Pendrel/App/OnlineLibrary.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractLog;
class CAbstractProgressStatus;
class CAbstractWinTheme;
class CAdvertiseFrameWnd;
class CAdvertiseView;
class QObject;

// 1 the main program, 2 the on-screen keyboard.
typedef int KVXApplicationID;

class PENDREL_API CKVXApp {
public:
    CKVXApp();
    // Deletes the theme (no longer current) and an advertisement window;
    // Release frees the log and the online-services library.
    virtual ~CKVXApp();
    CKVXApp(const CKVXApp&) = delete;
    CKVXApp& operator=(const CKVXApp&) = delete;

    // TRUE when the program may run. progress (may be null) becomes the
    // log's observer.
    int Init(KVXApplicationID id, CAbstractProgressStatus* progress);
    // Undoes whatever Init built (also after a failed Init).
    void Release();

    // Loads a library that lies in Pendrel's own folder ("Sendrix.dll" is
    // libSendrix.so there); null for a null or empty name (with an
    // assertion report) and when it cannot be loaded.
    HINSTANCE LocalLoadLibrary(const wchar_t* fileName);
    // 1 when an HTTP request for the address through the online-services
    // library succeeds, else 0. Blocks the calling thread for the request.
    int PingServer(const wchar_t* url);

    // Icon 367 for the on-screen keyboard, else 366; the caller owns it.
    HICON GetApplicationIcon(int size);
    const wchar_t* GetLanguageCode();
    COLORREF GetDlgBkColor();
    COLORREF GetTabPageBkColor();
    // There is no advertisement window: 0, and nothing is made.
    int CreateAdvertiseWnd(const wchar_t* title, const std::vector<CBasicString>& items, KVXLinkID link);
    void OnAdvertiseWndDestroy();
    CAdvertiseView* GetAdvertiseView();
    CAdvertiseFrameWnd* GetAdvertiseFrame();

    // The online-services library, loaded by Init from Pendrel's folder;
    // the one place that looks up its functions.
    const COnlineLibrary& GetOnlineLibrary() const { return m_online; }
    COnlineLibrary& GetOnlineLibrary() { return m_online; }

    // The window theme of the owner-drawn controls (KVXGetTheme), made by
    // the constructor and made the controls' current theme.
    CAbstractWinTheme* GetTheme() const { return m_theme.get(); }
    // The link table, made at the start of Init; null before and after
    // Release. A table set here is owned from then on.
    CLinkTable* GetLinkTable() const { return m_linkTable.get(); }
    void SetLinkTable(std::unique_ptr<CLinkTable> table);
    // The log, made by Init; null before and after Release. A log lent here
    // (by a test) is not owned and replaces the one Init made.
    CAbstractLog* GetLog() const { return m_log; }
    void LendLog(CAbstractLog* log);
    KVXApplicationID GetApplicationId() const { return m_applicationId; }
    void SetApplicationId(KVXApplicationID id) { m_applicationId = id; }
    // The advertisement window; nothing in the system makes one.
    QObject* GetAdvertiseWnd() const { return m_advertiseWnd.get(); }

private:
    std::unique_ptr<CAbstractWinTheme> m_theme;
    std::unique_ptr<CLinkTable> m_linkTable;
    COnlineLibrary m_online;
    std::unique_ptr<CAbstractLog> m_ownedLog;
    CAbstractLog* m_log = nullptr;  // m_ownedLog, or a lent log
    KVXApplicationID m_applicationId = 0;
    CBasicString m_languageCode;
    std::unique_ptr<QObject> m_advertiseWnd;
    CAdvertiseView* m_advertiseView = nullptr;
    CAdvertiseFrameWnd* m_advertiseFrame = nullptr;

    void ReleaseLog();
};

// Asks the user to accept the end-user agreement: TRUE when accepted. The
// agreement dialog (Pendrel/Dialogs/EULADlg.cpp) makes itself the prompt
// when the library is loaded; without a prompt Init takes the agreement as
// not given.
typedef BOOL (*KVXAgreementPrompt)();
void KVXSetAgreementPrompt(KVXAgreementPrompt prompt);

// Where the application object finds its files: the program's folder
// ("LogDef.ini", and the log while it can be written) and Pendrel's own
// folder (the online-services library, "UrlFile.xml"). By default the
// folders of the program file and of Pendrel's module; tests name folders
// of their own. Null or "" gives the default back.
PENDREL_API void KVXSetAppFolders(const wchar_t* programFolder, const wchar_t* moduleFolder);
// The folders in use, without a trailing '/'.
PENDREL_API CBasicString KVXGetProgramFolder();
PENDREL_API CBasicString KVXGetModuleFolder();
