#pragma once
// The base of a window class whose long work runs on a worker thread; the
// window class takes it as its second base:
//
//   class CTutorDlg : public CKVXResizableDlg, public CWorkerThread {
//       DWORD RunInstance() override;  // the job, on the worker thread
//   };
//
// Each Start makes one thread that runs OnThreadStart and then, when that
// agrees, RunInstance once; RunInstance's result is the thread's exit code.
// A job tells its window of its start and end with WM_USER+201 and
// WM_USER+202 (WorkerResult.h) and never touches a widget itself: other
// work on the window runs through KVXSendWindowWork / KVXPostWindowWork
// (KVXWindowWork.h). Nothing stops a job from outside; a job stops early by
// testing the progress interface's IsRunning between its rows.
//
// - One job at a time per object. Start while the thread of an earlier
//   Start is still set reports an assertion (".\Windows\WorkerThread",
//   line 77): when that thread's start hook refused (its handle stays set),
//   Start goes on and starts the new job; while a job still runs it starts
//   nothing and gives FALSE.
// - At its end a job parks its thread as the previous run, which the end
//   of the next run or the destructor closes (joins: that thread has
//   finished its work already, so this never waits for a job).
// - A job that throws is ended by the thread: the exception is logged and
//   shown (UnhandledException.h), the thread's exit code is -1, and a
//   window that is a QObject gets WM_USER+202 with lParam 0 posted, so that
//   it leaves its job state.
// - A window must not be destroyed while its job runs: it closes once its
//   WM_USER+202 has arrived, or calls WaitForJob before it goes. The
//   destructor itself neither waits for nor stops a running job; it reports
//   the broken rule (line 120) and lets the thread go.
// - The auxiliary events (auto-reset, unnamed, not signalled) are made
//   anew by each Start, before the thread starts, so a job may wait on
//   them at once.

#include <atomic>
#include <memory>
#include <vector>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class PENDREL_API CWorkerThread {
public:
    explicit CWorkerThread(int eventCount = 0);
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Sets the running flag and starts a thread for one job with the stack
    // size (0: the default), held at its start until Resume when suspended
    // is set. TRUE when the thread and every auxiliary event were made.
    BOOL Start(BOOL suspended = FALSE, DWORD stackSize = 0);
    // Lets a thread that was started suspended run; FALSE when no thread
    // waits for it.
    BOOL Resume();

    // A thread of this object has been started and its job (or its refusing
    // start hook) has not yet returned.
    BOOL IsJobRunning() const;
    // For a window about to close: returns when no job runs. While one
    // does, the calling thread's event loop keeps running (without user
    // input), so the job's messages to the window are still answered. A
    // thread held at its start gate is not waited for (it runs no job
    // until Resume). Never call it from the job itself.
    void WaitForJob();

    // The system id of the last started thread (0 before its first start).
    DWORD GetThreadId() const { return m_threadId.load(); }
    // The auxiliary events of the current run.
    const std::vector<HANDLE>& GetEvents() const { return m_events; }

protected:
    // First on the new thread; FALSE ends the thread without running the
    // job. The base agrees.
    virtual BOOL OnThreadStart();
    // The job; its result is the thread's exit code.
    virtual DWORD RunInstance() = 0;

    // 0 after construction, 1 from Start on; the base never clears it.
    // Derived windows use it to mark their job as running.
    std::atomic<int> m_running{0};

private:
    struct Run;
    struct Runs;
    static void* ThreadProc(void* parameter);
    static void Join(Run& run);
    void CloseEvents();

    std::atomic<DWORD> m_threadId{0};
    int m_eventCount;
    std::shared_ptr<Runs> m_runs;
    std::vector<HANDLE> m_events;
};
