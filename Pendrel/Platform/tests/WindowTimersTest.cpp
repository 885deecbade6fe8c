#include <gtest/gtest.h>

#include <QTest>
#include <QTimerEvent>
#include <QWidget>

#include <map>

#include "Pendrel/Platform/KVXWnd.h"

namespace {

class CTimerWindow : public CKVXWnd<QWidget> {
public:
    void OnTimer(UINT_PTR id) override { ++fired[id]; }
    std::map<UINT_PTR, int> fired;
    int qtTimerEvents = 0;

protected:
    void timerEvent(QTimerEvent*) override { ++qtTimerEvents; }
};

TEST(WindowTimers, EachTimerFiresWithItsOwnId) {
    CTimerWindow window;
    EXPECT_EQ(window.SetTimer(100, 10), 100u);
    EXPECT_EQ(window.SetTimer(101, 10), 101u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.fired[100] >= 2 && window.fired[101] >= 2; }, 60000));
    EXPECT_EQ(window.fired.size(), 2u);
}

TEST(WindowTimers, SettingAnIdAgainReplacesItsTimerAndKillStopsIt) {
    CTimerWindow window;
    window.SetTimer(7, 10);
    window.SetTimer(7, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.fired[7] >= 1; }, 60000));
    EXPECT_TRUE(window.KillTimer(7));
    EXPECT_FALSE(window.KillTimer(7));
    EXPECT_FALSE(window.KillTimer(8));
    const int count = window.fired[7];
    QTest::qWait(60);
    EXPECT_EQ(window.fired[7], count);
}

TEST(WindowTimers, TheWidgetsOwnQtTimersStillReachIt) {
    CTimerWindow window;
    const int qtId = window.startTimer(10);
    window.SetTimer(1, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.qtTimerEvents >= 1 && window.fired[1] >= 1; }, 60000));
    window.killTimer(qtId);
}

} // namespace
