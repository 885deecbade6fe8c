#include "Pendrel/App/WorkerThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "Pendrel/App/UnhandledException.h"
#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/EventHandle.h"

namespace {

const char kSourceFile[] = ".\\Windows\\WorkerThread";
constexpr int kLineOneJob = 77;
constexpr int kLineDestroyedWhileRunning = 120;
constexpr int kLineWaitFromJob = 140;
constexpr int kLineNoParameter = 328;

// The run whose thread this is (null on other threads).
thread_local const void* t_currentRun = nullptr;

} // namespace

// One started thread: its handle, its start gate and whether its work has
// ended.
struct CWorkerThread::Run {
    pthread_t thread{};
    bool joinable = false;
    CWorkerThread* owner = nullptr;
    std::shared_ptr<Runs> runs;

    // The start gate (under gateMutex): a suspended thread waits here.
    std::mutex gateMutex;
    std::condition_variable gate;
    bool gateOpen = false;
    bool abandoned = false;  // the owner went before the thread was let through
    bool passedGate = false;

    // Under Runs::mutex: the job or the refusing start hook has returned.
    bool ended = false;
    std::function<void()> onEnded;
};

// The handles of an object, shared with its threads so that a thread ending
// after its owner (a broken rule, reported) touches only this.
struct CWorkerThread::Runs {
    std::mutex mutex;
    bool ownerAlive = true;
    std::shared_ptr<Run> current;
    std::shared_ptr<Run> previous;
};

CWorkerThread::CWorkerThread(int eventCount)
    : m_eventCount(std::max(eventCount, 0)), m_runs(std::make_shared<Runs>()) {}

CWorkerThread::~CWorkerThread() {
    std::shared_ptr<Run> current;
    std::shared_ptr<Run> previous;
    bool currentEnded = false;
    {
        std::lock_guard<std::mutex> lock(m_runs->mutex);
        m_runs->ownerAlive = false;
        current = std::move(m_runs->current);
        previous = std::move(m_runs->previous);
        currentEnded = current && current->ended;
    }
    if (current && !currentEnded) {
        bool waiting = false;
        {
            std::lock_guard<std::mutex> lock(current->gateMutex);
            waiting = !current->passedGate;
            if (waiting) {
                current->abandoned = true;
                current->gate.notify_all();
            }
        }
        if (waiting) {
            Join(*current);  // it ends at its gate without running anything
        } else {
            ReportAssertion(0, kSourceFile, kLineDestroyedWhileRunning);
            pthread_detach(current->thread);
            current->joinable = false;
        }
    } else if (current) {
        Join(*current);
    }
    if (previous) Join(*previous);
    CloseEvents();
}

BOOL CWorkerThread::OnThreadStart() {
    return TRUE;
}

void CWorkerThread::Join(Run& run) {
    if (!run.joinable) return;
    run.joinable = false;
    pthread_join(run.thread, nullptr);
}

void CWorkerThread::CloseEvents() {
    for (HANDLE event : m_events)
        if (event) CloseHandle(event);
    m_events.clear();
}

BOOL CWorkerThread::Start(BOOL suspended, DWORD stackSize) {
    m_running.store(1);
    std::shared_ptr<Run> refused;
    {
        std::lock_guard<std::mutex> lock(m_runs->mutex);
        if (m_runs->current) {
            ReportAssertion(0, kSourceFile, kLineOneJob);
            if (!m_runs->current->ended) return FALSE;
            refused = std::move(m_runs->current);
        }
    }
    if (refused) Join(*refused);

    CloseEvents();
    bool eventsMade = true;
    for (int i = 0; i < m_eventCount; ++i) {
        HANDLE event = CreateEventHandle(FALSE, FALSE);
        if (!event) eventsMade = false;
        else m_events.push_back(event);
    }
    if (!eventsMade) return FALSE;

    auto run = std::make_shared<Run>();
    run->owner = this;
    run->runs = m_runs;
    run->gateOpen = !suspended;
    {
        // Set before the thread exists, so that its end finds it.
        std::lock_guard<std::mutex> lock(m_runs->mutex);
        m_runs->current = run;
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize > 0) {
        const long page = sysconf(_SC_PAGESIZE);
        size_t size = std::max<size_t>(stackSize, PTHREAD_STACK_MIN);
        size = (size + page - 1) / page * page;
        pthread_attr_setstacksize(&attributes, size);
    }
    auto* parameter = new std::shared_ptr<Run>(run);
    const int error = pthread_create(&run->thread, &attributes, &CWorkerThread::ThreadProc, parameter);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete parameter;
        std::lock_guard<std::mutex> lock(m_runs->mutex);
        m_runs->current.reset();
        return FALSE;
    }
    run->joinable = true;
    return TRUE;
}

BOOL CWorkerThread::Resume() {
    std::shared_ptr<Run> run;
    {
        std::lock_guard<std::mutex> lock(m_runs->mutex);
        run = m_runs->current;
    }
    if (!run) return FALSE;
    std::lock_guard<std::mutex> lock(run->gateMutex);
    if (run->gateOpen) return FALSE;
    run->gateOpen = true;
    run->gate.notify_all();
    return TRUE;
}

BOOL CWorkerThread::IsJobRunning() const {
    std::lock_guard<std::mutex> lock(m_runs->mutex);
    return m_runs->current && !m_runs->current->ended ? TRUE : FALSE;
}

void CWorkerThread::WaitForJob() {
    QEventLoop loop;
    std::shared_ptr<Run> run;
    {
        std::lock_guard<std::mutex> lock(m_runs->mutex);
        run = m_runs->current;
        if (!run || run->ended) return;
        const bool fromJob = t_currentRun == run.get();
        ReportAssertion(!fromJob, kSourceFile, kLineWaitFromJob);
        if (fromJob) return;
        {
            // A thread held at its start gate runs no job until Resume.
            std::lock_guard<std::mutex> gateLock(run->gateMutex);
            if (!run->gateOpen) return;
        }
        // The job's end wakes the loop (a queued event; it waits until the
        // loop runs when it comes first).
        run->onEnded = [&loop] { QCoreApplication::postEvent(&loop, new QEvent(QEvent::Quit)); };
    }
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    std::lock_guard<std::mutex> lock(m_runs->mutex);
    run->onEnded = nullptr;
}

void* CWorkerThread::ThreadProc(void* parameter) {
    ReportAssertion(parameter != nullptr, kSourceFile, kLineNoParameter);
    if (!parameter) return nullptr;
    std::shared_ptr<Run> run = std::move(*static_cast<std::shared_ptr<Run>*>(parameter));
    delete static_cast<std::shared_ptr<Run>*>(parameter);
    std::shared_ptr<Runs> runs = run->runs;
    {
        std::unique_lock<std::mutex> lock(run->gateMutex);
        run->gate.wait(lock, [&] { return run->gateOpen || run->abandoned; });
        if (run->abandoned) return nullptr;
        run->passedGate = true;
    }
    t_currentRun = run.get();
    CWorkerThread* owner = run->owner;
    owner->m_threadId.store(static_cast<DWORD>(gettid()));

    auto end = [&](bool park) {
        std::shared_ptr<Run> closed;
        {
            std::lock_guard<std::mutex> lock(runs->mutex);
            if (park && runs->ownerAlive && runs->current == run) {
                closed = std::move(runs->previous);
                runs->previous = std::move(runs->current);
            }
            run->ended = true;
            if (run->onEnded) run->onEnded();
        }
        if (closed) Join(*closed);
    };

    if (!owner->OnThreadStart()) {
        end(false);  // the handle stays set
        return nullptr;
    }
    DWORD result = 0;
    try {
        result = owner->RunInstance();
    } catch (...) {
        // The job ends here; the window and the program go on: a window
        // learns of the end as from a job that sent no result.
        KVXReportUnhandledException("worker job", std::current_exception());
        if (auto* window = dynamic_cast<QObject*>(owner)) PostMessage(window, WM_KVX_WORKER_FINISHED, 0, 0);
        result = static_cast<DWORD>(-1);
    }
    end(true);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(result));
}
