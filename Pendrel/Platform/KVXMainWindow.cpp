#include "Pendrel/Platform/KVXMainWindow.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget>& MainWindow() {
    static QPointer<QWidget> window;
    return window;
}

} // namespace

QWidget* KVXGetMainWnd() {
    return MainWindow().data();
}

void KVXSetMainWnd(QWidget* window) {
    MainWindow() = window;
}
