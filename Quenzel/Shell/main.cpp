// The main program: the application object runs the main dialog from
// InitInstance and releases everything in ExitInstance.
#include "Pendrel/App/KVXApplication.h"

#include "Pendrel/Platform/KVXMainWindow.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/MainDlg.h"

int main(int argc, char** argv) {
    CKVXApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenzel"));
    QApplication::setQuitOnLastWindowClosed(false);
    CQuenzelApp app;
    QuenzelSetApp(&app);
    app.SetMainDialog([&app] {
        CMainDlg dialog(app.Services());
        KVXSetMainWnd(&dialog);
        dialog.DoModal();
        KVXSetMainWnd(nullptr);
    });
    app.InitInstance();
    const int result = app.ExitInstance();
    QuenzelSetApp(nullptr);
    // A start that failed is no success to whoever started the program.
    return result ? result : app.GetExitStatus();
}
