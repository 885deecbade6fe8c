// The on-screen keyboard program: the application object runs the keyboard
// dialog from InitInstance and releases everything in ExitInstance.
#include "Pendrel/App/KVXApplication.h"

#include "Keyboard/KeyboardApp.h"

int main(int argc, char** argv) {
    CKVXApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Keyboard"));
    QApplication::setQuitOnLastWindowClosed(false);
    CKeyboardApp app;
    KeyboardSetApp(&app);
    app.InitInstance();
    const int result = app.ExitInstance();
    KeyboardSetApp(nullptr);
    return result;
}
