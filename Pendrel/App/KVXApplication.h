#pragma once
// The Qt application object of both programs. Its event dispatch is the
// last line of defence of the UI thread: an exception that an event
// handler let through is logged with its place and shown
// (UnhandledException.h), and the event counts as not handled; the program
// goes on.

#include <QApplication>

#include "Pendrel/PendrelApi.h"

class PENDREL_API CKVXApplication : public QApplication {
public:
    CKVXApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
