#include "Pendrel/App/KVXWindowWork.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <future>
#include <memory>

#include "Pendrel/Platform/KVXWindowRegistry.h"
#include "Pendrel/Platform/KVXWndCore.h"

namespace {

// The window exists and takes messages.
bool IsLiveWindow(QObject* window) {
    bool created = false;
    CKVXWindowRegistry::Instance().WithWindow(window, [&](CKVXWndCore& core) { created = core.IsCreated(); });
    return created;
}

// On the window's thread: runs the work when the window still takes it.
bool RunIfLive(QObject* window, const std::function<void()>& work) {
    if (!IsLiveWindow(window)) return false;
    if (work) work();
    return true;
}

// The sender's answer: whether the work ran, given when the queued call is
// done with, run or dropped.
struct SendReply {
    std::promise<bool> promise;
    bool ran = false;
    ~SendReply() { promise.set_value(ran); }
};

} // namespace

BOOL KVXSendWindowWork(QObject* window, std::function<void()> work) {
    bool direct = false;
    std::future<bool> answer;
    const bool reached = CKVXWindowRegistry::Instance().WithWindow(window, [&](CKVXWndCore&) {
        if (window->thread() == QThread::currentThread()) {
            direct = true;
            return;
        }
        auto reply = std::make_shared<SendReply>();
        answer = reply->promise.get_future();
        // Queued under the registry's lock, so the window cannot go between
        // the look-up and the post; a window destroyed later drops the call.
        QMetaObject::invokeMethod(
            window, [window, reply, work = std::move(work)] { reply->ran = RunIfLive(window, work); },
            Qt::QueuedConnection);
    });
    if (!reached) return FALSE;
    if (direct) return RunIfLive(window, work) ? TRUE : FALSE;
    return answer.get() ? TRUE : FALSE;
}

BOOL KVXPostWindowWork(QObject* window, std::function<void()> work) {
    const bool reached = CKVXWindowRegistry::Instance().WithWindow(window, [&](CKVXWndCore&) {
        QMetaObject::invokeMethod(
            window, [window, work = std::move(work)] { RunIfLive(window, work); }, Qt::QueuedConnection);
    });
    return reached ? TRUE : FALSE;
}
