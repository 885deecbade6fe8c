#pragma once
// CKVXApp: the framework's application-services object, one per program.
// The program makes it, registers it with KVXSetApp and calls Init before
// it shows any window; at exit it calls Release, then deletes it. The
// programs read its fields directly: the log, the online-services library's
// module handle, the link table.
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

#include <vector>

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

    // The window theme of the owner-drawn controls (KVXGetTheme), made by
    // the constructor and made the controls' current theme; owned.
    CAbstractWinTheme* m_pTheme;
    // Owned; made at the start of Init.
    CLinkTable* m_pLinkTable;
    // The online-services library; null (or (HMODULE)-1) while not loaded.
    HMODULE m_hSendrix;
    // Owned; made by Init.
    CAbstractLog* m_pLog;
    KVXApplicationID m_applicationId;
    CBasicString m_languageCode;
    // Owned when set; nothing in the system makes one.
    QObject* m_pAdvertiseWnd;
    CAdvertiseView* m_pAdvertiseView;
    CAdvertiseFrameWnd* m_pAdvertiseFrame;

private:
    void ReleaseLinkTable();
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
