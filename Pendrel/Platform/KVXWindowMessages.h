#pragma once
// Window messages between threads and windows. A window is any object of a
// CKVXWnd<...> class (KVXWnd.h); its WindowProc handles the messages.
//
// - SendMessage runs the window's handler and gives its result. On the
//   window's own thread it is a direct call; from another thread the call is
//   queued to the window's thread (ahead of posted messages) and the sender
//   waits for it. A window that is destroyed while the sender waits
//   releases it with 0. The window's thread must therefore never wait for
//   a thread that may be sending to it.
// - PostMessage queues the message and returns at once. A record handed
//   over with the message (as a unique_ptr) belongs to the message: the
//   handler reads it through lParam, and it is freed after the handler
//   has run, or at once when the window is gone.
// - Both give 0 (FALSE) for an object that is no window, was destroyed or
//   is not created.

#include <memory>

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXMessageEvent.h"
#include "compat/WinTypes.h"

class QObject;

PENDREL_API LRESULT SendMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam);
PENDREL_API BOOL PostMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues the event (which it takes over); when the window is gone the
// event is freed at once and the result is FALSE.
PENDREL_API BOOL PostMessageEvent(QObject* window, CKVXMessageEvent* event);
// TRUE while the object is a window that exists.
PENDREL_API BOOL IsWindow(QObject* window);

template <class T> BOOL PostMessage(QObject* window, UINT message, WPARAM wParam, std::unique_ptr<T> record) {
    auto event = std::make_unique<CKVXMessageEvent>(message, wParam, reinterpret_cast<LPARAM>(record.get()));
    event->Own(std::move(record));
    return PostMessageEvent(window, event.release());
}
