#pragma once
// CKeyboardApp: the keyboard program's application object. InitInstance
// makes the framework object (application id 2), loads the logo and the
// settings, finds the help file and runs the keyboard dialog; ExitInstance
// saves the settings and releases the framework object. The program has
// no database and no worker threads.

#include <QImage>

#include "Keyboard/Options.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CKVXApp;
class QWidget;

class CKeyboardApp {
public:
    CKeyboardApp();
    virtual ~CKeyboardApp();
    CKeyboardApp(const CKeyboardApp&) = delete;
    CKeyboardApp& operator=(const CKeyboardApp&) = delete;

    // FALSE in every case: the program ends when the dialog closes or at the
    // first failure before it.
    BOOL InitInstance();
    int ExitInstance();

    // Run the keyboard dialog in InitInstance (tests start without it).
    void SetRunDialog(bool run) { m_runDialog = run; }

    COptions& GetOptions() { return m_options; }
    CKVXApp* GetKVXApp() const { return m_kvxApp; }
    const QImage& GetLogo() const { return m_logo; }
    // The help file beside the program ("Ondrivel.html") becomes the help
    // path when it exists, else the path is empty.
    void SetHelpFile();
    // The help file's path; empty when there is none.
    const CBasicString& GetHelpFile() const { return m_helpFile; }
    // Opens the help file with the desktop's program for it; a missing file
    // or opener shows the system's text for it.
    void OnHelp(QWidget* parent);

private:
    CKVXApp* m_kvxApp = nullptr;
    QImage m_logo;
    COptions m_options;
    CBasicString m_helpFile;
    bool m_optionsLoaded = false;
    bool m_runDialog = true;
};

CKeyboardApp* KeyboardGetApp();
void KeyboardSetApp(CKeyboardApp* app);
