#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Pendrel/App/KVXWindowWork.h"
#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Dialogs/WorkerProgress.h"
#include "Pendrel/Platform/KVXDialog.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Pendrel/Platform/KVXWnd.h"

namespace {

constexpr UINT kJobTemplate = 9601;
const KVXDialogControl kJobControls[] = {{IDOK, WC_BUTTON, L"Export", 7, 7, 50, 14, WS_CHILD | WS_VISIBLE}};
const KVXDialogTemplate kJobDialog = {kJobTemplate, L"Lists", WS_POPUP | WS_CAPTION, 200, 100, 8, nullptr,
                                      kJobControls, std::size(kJobControls)};
const CKVXDialogTemplateRegistration kJobRegistration(kJobDialog);

// What the message box was asked to show.
struct ShownMessage {
    QWidget* parent;
    std::wstring text;
    UINT flags;
};

class MessageSink {
public:
    MessageSink() {
        KVXSetMessageBoxHandler([this](QWidget* parent, const CBasicString& text, const CBasicString&, UINT flags) {
            shown.push_back({parent, text.GetString(), flags});
            return IDOK;
        });
    }
    ~MessageSink() { KVXSetMessageBoxHandler(nullptr); }
    std::vector<ShownMessage> shown;
};

// A result record that counts how many are alive.
struct CountedResult : WorkerResult {
    static inline std::atomic<int> alive{0};
    CountedResult(UINT f, const wchar_t* t) {
        flags = f;
        text = t;
        ++alive;
    }
    ~CountedResult() { --alive; }
};

// A dialog with a job in the way the programs' dialogs run theirs: the job
// sends WM_USER+201, works, and posts WM_USER+202 with its result.
class CJobDialog : public CKVXDialog, public CWorkerThread {
public:
    explicit CJobDialog(CProgressDlg& progress) : CKVXDialog(kJobTemplate), m_progress(progress) {}
    ~CJobDialog() override { WaitForJob(); }

    void Record(const std::string& step) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_steps.push_back(step);
    }
    std::vector<std::string> Steps() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_steps;
    }

    std::shared_future<void> gate;           // the job waits here when set
    std::atomic<bool> progressShown{false};  // seen by the job
    std::atomic<bool> finished{false};       // WM_USER+202 handled

protected:
    LRESULT WindowProc(UINT message, WPARAM, LPARAM lParam) override {
        if (message == WM_KVX_WORKER_STARTED) {
            Record("201");
            return KVXShowJobProgress(&m_progress, this);
        }
        if (message == WM_KVX_WORKER_FINISHED) {
            Record("202");
            const LRESULT result = KVXEndJobProgress(&m_progress, this, reinterpret_cast<WorkerResult*>(lParam));
            finished = true;
            return result;
        }
        return 0;
    }
    DWORD RunInstance() override {
        SendMessage(this, WM_KVX_WORKER_STARTED, 0, 0);
        auto result = std::make_unique<CountedResult>(0u, L"");
        Record("job");
        progressShown = IsWindow(&m_progress) && m_progress.IsRunning();
        if (gate.valid()) gate.wait();
        result->flags = MB_ICONERROR;
        result->text = L"The vocabulary list could not be exported.";
        PostMessage(this, WM_KVX_WORKER_FINISHED, 0, std::move(result));
        return 0;
    }

private:
    CProgressDlg& m_progress;
    std::mutex m_mutex;
    std::vector<std::string> m_steps;
};

class WorkerMessages : public ::testing::Test {
protected:
    void SetUp() override { CountedResult::alive = 0; }
};

TEST_F(WorkerMessages, TheJobRunsBetweenItsStartAndItsEndAndTheResultIsShown) {
    MessageSink sink;
    CProgressDlg progress;
    CJobDialog dialog(progress);
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(dialog.Start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.finished.load(); }, 60000));
    EXPECT_EQ(dialog.Steps(), (std::vector<std::string>{"201", "job", "202"}));
    EXPECT_TRUE(dialog.progressShown);
    EXPECT_FALSE(IsWindow(&progress));
    EXPECT_FALSE(progress.IsRunning());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].parent, &dialog);
    EXPECT_EQ(sink.shown[0].text, L"The vocabulary list could not be exported.");
    EXPECT_EQ(sink.shown[0].flags, MB_ICONERROR);
    EXPECT_EQ(CountedResult::alive, 0);
}

TEST_F(WorkerMessages, AResultPostedToAClosedDialogIsFreedUnshown) {
    MessageSink sink;
    CProgressDlg progress;
    CJobDialog dialog(progress);
    std::promise<void> release;
    dialog.gate = release.get_future().share();
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(dialog.Start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Steps().size() == 2; }, 60000));
    dialog.DestroyWindow();
    release.set_value();
    dialog.WaitForJob();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(dialog.Steps(), (std::vector<std::string>{"201", "job"}));
    EXPECT_EQ(CountedResult::alive, 0);
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(WorkerMessages, AnEndWithoutResultOrFlagsShowsNothing) {
    MessageSink sink;
    CProgressDlg progress;
    QWidget owner;
    EXPECT_EQ(KVXShowJobProgress(&progress, &owner), 1);
    EXPECT_TRUE(IsWindow(&progress));
    EXPECT_EQ(progress.GetDlgMode(), PROGRESS_MODE_BUSY);
    EXPECT_EQ(KVXEndJobProgress(&progress, &owner, nullptr), 1);
    WorkerResult quiet;
    quiet.text = L"not shown";
    KVXShowJobProgress(&progress, &owner);
    EXPECT_EQ(KVXEndJobProgress(&progress, &owner, &quiet), 1);
    WorkerResult done{MB_ICONINFORMATION, CBasicString(L"done")};
    KVXShowJobProgress(&progress, &owner);
    EXPECT_EQ(KVXEndJobProgress(&progress, nullptr, &done), 1);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_FALSE(IsWindow(&progress));
}

class CWorkWindow : public CKVXWnd<QWidget> {};

TEST(WindowWork, SentWorkRunsOnTheWindowsThreadBeforeTheSenderGoesOn) {
    CWorkWindow window;
    QThread* ranOn = nullptr;
    int value = 0;
    auto sent = std::async(std::launch::async, [&] {
        const BOOL ran = KVXSendWindowWork(&window, [&] {
            ranOn = QThread::currentThread();
            value = 42;
        });
        return std::make_pair(ran, value);  // read after the send returned
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60000));
    EXPECT_EQ(sent.get(), std::make_pair(TRUE, 42));
    EXPECT_EQ(ranOn, QThread::currentThread());

    // On the window's own thread the work runs at once.
    EXPECT_TRUE(KVXSendWindowWork(&window, [&] { value = 7; }));
    EXPECT_EQ(value, 7);
}

TEST(WindowWork, PostedWorkRunsLaterAndOnlyWhileTheWindowLives) {
    auto window = std::make_unique<CWorkWindow>();
    int runs = 0;
    std::thread worker([&] { EXPECT_TRUE(KVXPostWindowWork(window.get(), [&] { ++runs; })); });
    worker.join();
    EXPECT_EQ(runs, 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 1);

    // Work still queued when its window goes is dropped with what it holds.
    auto held = std::make_shared<int>(5);
    ASSERT_TRUE(KVXPostWindowWork(window.get(), [&runs, held] { ++runs; }));
    std::weak_ptr<int> kept = held;
    held.reset();
    EXPECT_FALSE(kept.expired());
    QObject* gone = window.get();
    window.reset();
    EXPECT_TRUE(kept.expired());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(KVXPostWindowWork(gone, [&] { ++runs; }));
    EXPECT_FALSE(KVXSendWindowWork(gone, [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST(WindowWork, AClosedDialogTakesNoWorkAndReleasesItsSender) {
    CProgressDlg dialog;  // any dialog: not created yet
    int runs = 0;
    auto sent = std::async(std::launch::async, [&] { return KVXSendWindowWork(&dialog, [&] { ++runs; }); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60000));
    EXPECT_FALSE(sent.get());
    EXPECT_EQ(runs, 0);
}

} // namespace
