#pragma once
// QuenzelServices: what the main program's pages, dialogs and controls use
// of the program, handed to each when it is made. The application object
// fills it once the data file is open and the settings are read, and keeps
// everything it points to alive while a window lives. Every member may be
// null: a control made with an empty set (a test of the control alone)
// shows no data and no flags, and uses the default colours.

#include <functional>

#include <QIcon>

#include "compat/WinTypes.h"

class CAbstractDataBase;
class CFlagCache;
class CKVXApp;
class COnlineLibrary;
class COptions;
class CProgressDlg;
class QImage;
class QWidget;

struct QuenzelServices {
    CAbstractDataBase* database = nullptr;
    // The settings, once they were read from the store.
    COptions* options = nullptr;
    // The progress dialog the pages' jobs show.
    CProgressDlg* progress = nullptr;
    // The flag pictures of the languages.
    CFlagCache* flags = nullptr;
    // The framework object: the window theme's colours, the program's icon,
    // the advertisement window.
    CKVXApp* framework = nullptr;
    // The online-services library, loaded by the framework.
    const COnlineLibrary* online = nullptr;
    // The picture of the main window's header; null or empty for none.
    const QImage* logo = nullptr;
    // Opens the program's help over the window.
    std::function<void(QWidget*)> help;

    // The theme's background of dialogs and of tab pages; white without the
    // framework.
    COLORREF DlgBkColor() const;
    COLORREF TabPageBkColor() const;
    // The program's window icon; empty without the framework.
    QIcon ApplicationIcon() const;
    // Sets the program's window icon on the window (nothing without one).
    void SetWindowIcon(QWidget* window) const;
};
