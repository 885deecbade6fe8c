#include "Pendrel/Platform/KVXWindowMessages.h"

#include <QCoreApplication>
#include <QThread>

#include <future>

#include "Pendrel/Platform/KVXWindowRegistry.h"

LRESULT SendMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam) {
    bool direct = false;
    std::future<LRESULT> reply;
    const bool reached = CKVXWindowRegistry::Instance().WithWindow(window, [&](CKVXWndCore&) {
        if (window->thread() == QThread::currentThread()) {
            direct = true;
            return;
        }
        auto* event = new CKVXMessageEvent(message, wParam, lParam);
        reply = event->ExpectReply();
        QCoreApplication::postEvent(window, event, Qt::HighEventPriority);
    });
    if (!reached) return 0;
    if (!direct) return reply.get();
    // On the window's own thread nothing else can destroy it meanwhile.
    CKVXMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(window, &event);
    return event.Result();
}

BOOL PostMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageEvent(window, new CKVXMessageEvent(message, wParam, lParam));
}

BOOL PostMessageEvent(QObject* window, CKVXMessageEvent* event) {
    std::unique_ptr<CKVXMessageEvent> owned(event);
    return CKVXWindowRegistry::Instance().WithWindow(
               window, [&](CKVXWndCore&) { QCoreApplication::postEvent(window, owned.release()); })
               ? TRUE
               : FALSE;
}

BOOL IsWindow(QObject* window) {
    return CKVXWindowRegistry::Instance().WithWindow(window, [](CKVXWndCore&) {}) ? TRUE : FALSE;
}
