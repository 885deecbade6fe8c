#pragma once
// CQuenzelApp: the main program's application object. InitInstance makes
// the framework object, loads the database component "DataBase.dll"
// (libDataBase.so beside the framework), opens the data file "Quenzel.pkv",
// loads the settings and runs the main dialog; ExitInstance undoes it in
// reverse order. It hands the pages what they use of it (the database
// object, the settings, the progress dialog, the framework object, the flag
// pictures) as QuenzelServices when it makes the main dialog.

#include <QImage>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/App/FlagCache.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Model/QuenzelString.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CKVXApp;
class CProgressDlg;
class QWidget;

class CQuenzelApp {
public:
    CQuenzelApp();
    virtual ~CQuenzelApp();
    CQuenzelApp(const CQuenzelApp&) = delete;
    CQuenzelApp& operator=(const CQuenzelApp&) = delete;

    // FALSE in every case: after the main dialog closed, or at the first
    // failure before it.
    BOOL InitInstance();
    // Releases what InitInstance built (also after a failed start); 0.
    int ExitInstance();

    // TRUE when the data file opened and the settings loaded. A data file
    // that does not open is reported with its reason in a message box.
    BOOL LoadDatabase();
    // Saves the settings (only when they were loaded in this run) and
    // releases the component.
    void UnloadDatabase();

    // The database library: by default "DataBase.dll" from the framework's
    // folder; tests name a file of their own.
    void SetDataBaseLibrary(const CBasicString& path) { m_libraryPath = path; }
    // The folder of "Quenzel.pkv": by default the per-user data folder.
    void SetDataFolder(const CBasicString& folder) { m_dataFolder = folder; }
    // What InitInstance runs once the data file is open: the program's main
    // dialog, handed by the program (main.cpp); without one the start ends
    // there, as the tests run it.
    void SetMainDialog(std::function<void()> run) { m_mainDialog = std::move(run); }

    // The help file beside the program ("Quenzel.html") becomes the help
    // path when it exists; otherwise the path stays as it was.
    void SetHelpFile();
    // The help path; empty when there is none.
    const CBasicString& GetHelpFile() const { return m_helpFile; }
    // Opens the help path with the desktop's opener; a missing file or
    // opener shows the system's text for it.
    void OnHelp(QWidget* parent);

    CBasicString GetAppTitle() const;
    COLORREF GetDlgBkColor();
    COLORREF GetTabPageBkColor();

    // The flag pictures of the languages (CFlagCache).
    void FillImageCache(const std::vector<LanguageRecord>& languages) { m_flags.Fill(languages); }
    void FreeImageCache() { m_flags.Clear(); }
    const QImage* FindFlag(int languageId) const { return m_flags.Find(languageId); }
    const std::map<int, QImage>& GetImageCache() const { return m_flags.GetImages(); }

    // What the pages use of the program, as it stands now; the settings only
    // once they were read.
    QuenzelServices Services();

    CAbstractDataBase* GetDataBase() const { return m_database; }
    COptions& GetOptions() { return m_options; }
    CKVXApp* GetKVXApp() const { return m_kvxApp; }
    CProgressDlg* GetProgressDlg() const { return m_progress.get(); }
    const QImage& GetLogo() const { return m_logo; }
    const CBasicString& GetDataFilePath() const { return m_dataFilePath; }
    bool IsSettingsLoaded() const { return m_settingsLoaded; }
    // The program's exit status: 1 when the start failed (the framework,
    // the database component or the data file), else 0.
    int GetExitStatus() const { return m_startFailed ? 1 : 0; }

private:
    CFlagCache m_flags;
    std::unique_ptr<CProgressDlg> m_progress;
    CKVXApp* m_kvxApp = nullptr;
    QImage m_logo;
    CAbstractDataBase* m_database = nullptr;
    COptions m_options;
    HMODULE m_dataBaseModule = nullptr;
    CBasicString m_libraryPath;
    CBasicString m_dataFolder;
    CBasicString m_dataFilePath;
    CBasicString m_helpFile;
    bool m_settingsLoaded = false;
    bool m_startFailed = false;
    std::function<void()> m_mainDialog;
};

// The program's application object; null before it is made.
CQuenzelApp* QuenzelGetApp();
void QuenzelSetApp(CQuenzelApp* app);

// The program's title, the caption of its message boxes.
CBasicString QuenzelAppTitle();
// A message box owned by the main window (or parent) with the application
// title as caption.
int QuenzelMessageBox(QWidget* parent, const wchar_t* text, UINT flags);
