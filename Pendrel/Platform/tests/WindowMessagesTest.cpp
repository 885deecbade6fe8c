#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Pendrel/Platform/KVXWnd.h"

namespace {

constexpr UINT kAsk = WM_USER + 201;
constexpr UINT kResult = WM_USER + 202;

// A record that counts how many of its kind are alive.
struct CountedRecord {
    static inline std::atomic<int> alive{0};
    explicit CountedRecord(int v) : value(v) { ++alive; }
    ~CountedRecord() { --alive; }
    int value;
};

class CTestWindow : public CKVXWnd<QWidget> {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        handlerThread = QThread::currentThread();
        ++calls;
        if (message == kResult && lParam) recordValue = reinterpret_cast<CountedRecord*>(lParam)->value;
        return message == kAsk ? static_cast<LRESULT>(wParam) * 2 : 1;
    }
    QThread* handlerThread = nullptr;
    int calls = 0;
    int recordValue = 0;
};

class WindowMessages : public ::testing::Test {
protected:
    void SetUp() override { CountedRecord::alive = 0; }
};

TEST_F(WindowMessages, SendOnTheWindowsThreadIsADirectCall) {
    CTestWindow window;
    EXPECT_EQ(SendMessage(&window, kAsk, 21, 0), 42);
    EXPECT_EQ(window.calls, 1);
    EXPECT_EQ(window.handlerThread, QThread::currentThread());
}

TEST_F(WindowMessages, SendFromAWorkerRunsTheHandlerOnTheWindowsThreadAndReturnsItsResult) {
    CTestWindow window;
    auto sent = std::async(std::launch::async, [&] { return SendMessage(&window, kAsk, 50, 0); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60000));
    EXPECT_EQ(sent.get(), 100);
    EXPECT_EQ(window.handlerThread, QThread::currentThread());
}

TEST_F(WindowMessages, AWindowDestroyedWhileTheSenderWaitsReleasesItWithZero) {
    auto window = std::make_unique<CTestWindow>();
    QObject* target = window.get();
    std::promise<void> sending;
    auto sent = std::async(std::launch::async, [&] {
        sending.set_value();
        return SendMessage(target, kAsk, 50, 0);
    });
    sending.get_future().wait();
    // The worker queues its message within moments; the window is then
    // destroyed without ever handling it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    window.reset();
    ASSERT_EQ(sent.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(sent.get(), 0);
}

TEST_F(WindowMessages, AReplyIsReleasedWhenItsQueuedEventDiesWithTheWindow) {
    auto window = std::make_unique<CTestWindow>();
    auto* event = new CKVXMessageEvent(kAsk, 5, 0);
    std::future<LRESULT> reply = event->ExpectReply();
    ASSERT_TRUE(PostMessageEvent(window.get(), event));
    window.reset();
    ASSERT_EQ(reply.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_EQ(reply.get(), 0);
}

TEST_F(WindowMessages, APostedRecordIsReadByTheHandlerAndFreedAfterIt) {
    CTestWindow window;
    ASSERT_TRUE(PostMessage(&window, kResult, 0, std::make_unique<CountedRecord>(7)));
    EXPECT_EQ(CountedRecord::alive, 1);
    EXPECT_EQ(window.calls, 0);
    QCoreApplication::sendPostedEvents(&window);
    EXPECT_EQ(window.calls, 1);
    EXPECT_EQ(window.recordValue, 7);
    EXPECT_EQ(CountedRecord::alive, 0);
}

TEST_F(WindowMessages, ARecordPostedToAWindowThatIsDestroyedBeforeHandlingIsFreed) {
    auto window = std::make_unique<CTestWindow>();
    ASSERT_TRUE(PostMessage(window.get(), kResult, 0, std::make_unique<CountedRecord>(1)));
    std::thread worker([&] { PostMessage(window.get(), kResult, 0, std::make_unique<CountedRecord>(2)); });
    worker.join();
    EXPECT_EQ(CountedRecord::alive, 2);
    window.reset();
    EXPECT_EQ(CountedRecord::alive, 0);
}

TEST_F(WindowMessages, NothingReachesAnObjectThatIsNoLongerAWindow) {
    QObject* gone = nullptr;
    {
        CTestWindow window;
        gone = &window;
        EXPECT_TRUE(IsWindow(gone));
    }
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_FALSE(PostMessage(gone, kResult, 0, std::make_unique<CountedRecord>(3)));
    EXPECT_EQ(CountedRecord::alive, 0);
    EXPECT_EQ(SendMessage(gone, kAsk, 1, 0), 0);
    QObject plain;
    EXPECT_FALSE(IsWindow(&plain));
    EXPECT_FALSE(IsWindow(nullptr));
}

} // namespace
