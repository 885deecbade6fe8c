#include "Pendrel/App/KVXApplication.h"

#include <exception>

#include "Pendrel/App/UnhandledException.h"

CKVXApplication::CKVXApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CKVXApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        KVXReportUnhandledException("event handler", std::current_exception());
        return false;
    }
}
