#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Pendrel/App/UnhandledException.h"
#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/App/WorkerThread.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "utility/Posix/EventHandle.h"
#include "utility/tests/ReportCapture.h"

namespace {

constexpr int kLineOneJob = 77;
constexpr int kLineDestroyedWhileRunning = 120;

// A worker whose start hook and job are given by the test.
class CTestWorker : public CWorkerThread {
public:
    explicit CTestWorker(int events = 0) : CWorkerThread(events) {}
    ~CTestWorker() override { WaitForJob(); }

    std::function<BOOL()> hook = [] { return TRUE; };
    std::function<DWORD()> job = [] { return DWORD(0); };
    std::atomic<int> hooks{0};
    std::atomic<int> runs{0};
    std::atomic<DWORD> jobThread{0};

protected:
    BOOL OnThreadStart() override {
        ++hooks;
        return hook();
    }
    DWORD RunInstance() override {
        ++runs;
        jobThread = GetThreadId();
        return job();
    }
};

class WorkerThread : public ReportCapture {};

TEST_F(WorkerThread, ARefusingStartHookRunsNoJobAndTheNextStartStillWorks) {
    CTestWorker worker;
    worker.hook = [] { return FALSE; };
    ASSERT_TRUE(worker.Start());
    worker.WaitForJob();
    EXPECT_EQ(worker.hooks, 1);
    EXPECT_EQ(worker.runs, 0);
    EXPECT_FALSE(worker.IsJobRunning());
    EXPECT_TRUE(AssertionLines().empty());

    // The refused thread kept its handle: the one-job check reports it, and
    // the new job runs all the same.
    worker.hook = [] { return TRUE; };
    ASSERT_TRUE(worker.Start());
    worker.WaitForJob();
    EXPECT_EQ(worker.runs, 1);
    EXPECT_EQ(AssertionLines(), std::vector<int>{kLineOneJob});
}

TEST_F(WorkerThread, JobsInARowEachRunOnANewThread) {
    CTestWorker worker;
    std::vector<DWORD> threads;
    // The default stack, a given one, and one below the system's minimum.
    for (DWORD stackSize : {0u, 512u * 1024u, 1u}) {
        ASSERT_TRUE(worker.Start(FALSE, stackSize)) << stackSize;
        worker.WaitForJob();
        threads.push_back(worker.jobThread);
    }
    EXPECT_EQ(worker.runs, 3);
    EXPECT_NE(threads[0], threads[1]);
    EXPECT_NE(threads[1], threads[2]);
    EXPECT_NE(threads[0], static_cast<DWORD>(gettid()));
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(WorkerThread, AStartWhileAJobRunsStartsNothing) {
    CTestWorker worker;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    worker.job = [released] {
        released.wait();
        return DWORD(0);
    };
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.IsJobRunning());
    EXPECT_FALSE(worker.Start());
    EXPECT_EQ(AssertionLines(), std::vector<int>{kLineOneJob});
    release.set_value();
    worker.WaitForJob();
    EXPECT_EQ(worker.hooks, 1);
    EXPECT_EQ(worker.runs, 1);
}

TEST_F(WorkerThread, ASuspendedStartWaitsForResume) {
    CTestWorker worker;
    std::atomic<bool> resumed{false};
    std::atomic<bool> ranBeforeResume{false};
    worker.hook = [&] {
        if (!resumed) ranBeforeResume = true;
        return TRUE;
    };
    ASSERT_TRUE(worker.Start(TRUE, 0));
    EXPECT_TRUE(worker.IsJobRunning());
    worker.WaitForJob();  // a held thread is not waited for
    EXPECT_EQ(worker.runs, 0);
    resumed = true;
    EXPECT_TRUE(worker.Resume());
    worker.WaitForJob();
    EXPECT_FALSE(ranBeforeResume);
    EXPECT_EQ(worker.runs, 1);
    EXPECT_FALSE(worker.Resume());

    // An object that goes while its thread is still held lets the thread
    // end without its job.
    auto held = std::make_unique<CTestWorker>();
    ASSERT_TRUE(held->Start(TRUE, 0));
    std::atomic<int>* heldRuns = &held->runs;
    EXPECT_EQ(heldRuns->load(), 0);
    held.reset();
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(WorkerThread, AuxiliaryEventsExistWhenTheJobStarts) {
    CTestWorker worker(2);
    std::atomic<DWORD> waited{WAIT_FAILED};
    worker.job = [&] {
        // Waits on the first event at once; the test signals it after Start.
        waited = WaitForSingleObject(worker.GetEvents().at(0), INFINITE);
        return DWORD(0);
    };
    ASSERT_TRUE(worker.Start());
    ASSERT_EQ(worker.GetEvents().size(), 2u);
    SetEvent(worker.GetEvents()[0]);
    worker.WaitForJob();
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    // Auto-reset: the wait took the signal.
    EXPECT_EQ(WaitForSingleObject(worker.GetEvents()[0], 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(worker.GetEvents()[1], 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// A window whose job sends it a message: waiting for the job keeps the
// window answering.
class CJobWindow : public CKVXWnd<QWidget>, public CWorkerThread {
public:
    ~CJobWindow() override { WaitForJob(); }
    std::vector<UINT> handled;
    std::atomic<LRESULT> answer{0};

protected:
    LRESULT WindowProc(UINT message, WPARAM, LPARAM) override {
        handled.push_back(message);
        return 7;
    }
    DWORD RunInstance() override {
        answer = SendMessage(this, WM_USER + 201, 0, 0);
        return 0;
    }
};

TEST_F(WorkerThread, WaitingForTheJobKeepsAnsweringItsMessages) {
    auto window = std::make_unique<CJobWindow>();
    ASSERT_TRUE(window->Start());
    window->WaitForJob();
    EXPECT_EQ(window->answer, 7);
    EXPECT_EQ(window->handled, std::vector<UINT>{WM_USER + 201});
    EXPECT_FALSE(window->IsJobRunning());
}

// A window whose job throws.
class CThrowingJobWindow : public CKVXWnd<QWidget>, public CWorkerThread {
public:
    ~CThrowingJobWindow() override { WaitForJob(); }
    std::vector<std::pair<UINT, LPARAM>> handled;

protected:
    LRESULT WindowProc(UINT message, WPARAM, LPARAM lParam) override {
        handled.emplace_back(message, lParam);
        return 1;
    }
    DWORD RunInstance() override { throw std::runtime_error("disk gone"); }
};

TEST_F(WorkerThread, AJobThatThrowsIsReportedAndItsWindowLearnsOfTheEnd) {
    std::vector<std::pair<std::wstring, std::wstring>> reports;
    KVXSetUnhandledExceptionSink([&](const CBasicString& place, const CBasicString& description) {
        reports.emplace_back(place.GetString(), description.GetString());
    });
    auto window = std::make_unique<CThrowingJobWindow>();
    ASSERT_TRUE(window->Start());
    window->WaitForJob();
    EXPECT_FALSE(window->IsJobRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->handled.empty(); }, 60000));
    EXPECT_EQ(window->handled, (std::vector<std::pair<UINT, LPARAM>>{{WM_KVX_WORKER_FINISHED, 0}}));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, L"worker job");
    EXPECT_EQ(reports[0].second, L"std::runtime_error: disk gone");
    // The object takes the next job as before.
    EXPECT_TRUE(window->Start());
    window->WaitForJob();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->handled.size() == 2; }, 60000));
    EXPECT_EQ(reports.size(), 2u);
    KVXSetUnhandledExceptionSink({});
}

// A job whose object goes under it: the broken rule is reported and the
// thread ends on its own without touching the object.
class CLeavingWorker : public CWorkerThread {
public:
    CLeavingWorker(std::promise<void>* started, std::shared_future<void> release, std::promise<void>* done)
        : m_started(started), m_release(std::move(release)), m_done(done) {}

protected:
    DWORD RunInstance() override {
        std::shared_future<void> release = m_release;
        std::promise<void>* done = m_done;
        m_started->set_value();
        release.wait();
        done->set_value();
        return 0;
    }

private:
    std::promise<void>* m_started;
    std::shared_future<void> m_release;
    std::promise<void>* m_done;
};

TEST_F(WorkerThread, AnObjectDestroyedUnderItsJobReportsItAndLetsTheThreadGo) {
    std::promise<void> started;
    std::promise<void> release;
    std::promise<void> done;
    auto worker = std::make_unique<CLeavingWorker>(&started, release.get_future().share(), &done);
    ASSERT_TRUE(worker->Start());
    started.get_future().wait();
    worker.reset();
    EXPECT_EQ(AssertionLines(), std::vector<int>{kLineDestroyedWhileRunning});
    release.set_value();
    done.get_future().wait();
}

} // namespace
