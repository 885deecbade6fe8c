// A log-out, `kill` or Ctrl+C ends a program as its close button does: the
// signal reaches the user-interface thread, the windows close in order and
// the program's own end runs after.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <signal.h>

#include "Pendrel/App/KVXEndSignals.h"

TEST(KVXEndSignals, EachSignalClosesTheModalWindowsAndTheMainWindow) {
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        CKVXEndSignals catcher;
        ASSERT_TRUE(catcher.Install());
        QDialog main;
        bool messageClosed = false;
        // the signal comes while a message box runs over the main window
        QTimer::singleShot(0, &main, [&] {
            QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("m"), QMessageBox::Ok, &main);
            QTimer::singleShot(0, [number] { raise(number); });
            box.exec();
            messageClosed = true;
        });
        EXPECT_EQ(main.exec(), QDialog::Rejected);
        EXPECT_TRUE(messageClosed);
        catcher.Uninstall();
        struct sigaction now {};
        sigaction(number, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << "the earlier handling comes back";
    }
}

TEST(KVXEndSignals, AnEndActionOfTheProgramRunsOnTheUserInterfaceThread) {
    CKVXEndSignals catcher;
    bool ended = false;
    ASSERT_TRUE(catcher.Install([&] {
        ended = QThread::currentThread() == qApp->thread();
        qApp->exit(7);
    }));
    QTimer::singleShot(0, [] { raise(SIGTERM); });
    EXPECT_EQ(qApp->exec(), 7);
    EXPECT_TRUE(ended);
    CKVXEndSignals second;
    EXPECT_FALSE(second.Install()) << "one catcher a process";
}
