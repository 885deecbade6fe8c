// The application object's event dispatch as the last line of defence. It
// makes the one application object of its process itself, so it runs apart
// from the suites whose test main makes a plain one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Pendrel/App/KVXApplication.h"
#include "Pendrel/App/UnhandledException.h"

namespace {

// An object whose handler throws for two event types and counts a third.
class CThrowingObject : public QObject {
public:
    int handled = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) throw std::runtime_error("handler failed");
        if (event->type() == QEvent::User + 1) throw 42;
        if (event->type() == QEvent::User + 2) ++handled;
        return QObject::event(event);
    }
};

} // namespace

TEST(KVXApplication, AHandlerThatThrowsIsReportedAndTheEventLoopGoesOn) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "pendrel_application_tests";
    char* argv[] = {name, nullptr};
    CKVXApplication application(argc, argv);
    std::vector<std::pair<std::wstring, std::wstring>> reports;
    KVXSetUnhandledExceptionSink([&](const CBasicString& place, const CBasicString& description) {
        reports.emplace_back(place.GetString(), description.GetString());
    });
    CThrowingObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&target, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1)));
    QCoreApplication::postEvent(&target, new QEvent(static_cast<QEvent::Type>(QEvent::User + 2)));
    QCoreApplication::processEvents();
    // A sent event whose handler throws comes back as not handled.
    QEvent sent(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &sent));
    KVXSetUnhandledExceptionSink({});

    EXPECT_EQ(target.handled, 1);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].first, L"event handler");
    EXPECT_EQ(reports[0].second, L"std::runtime_error: handler failed");
    EXPECT_EQ(reports[1].second, L"int");
    EXPECT_EQ(reports[2].first, L"event handler");
}
