#pragma once
// Work for a window's thread from a worker (or any other thread): a piece
// of user-interface work (enabling controls, filling a list from a job's
// rows) that a job must not do itself, because only the window's thread
// touches widgets.
//
// - KVXSendWindowWork runs the work on the window's thread and waits until
//   it has run (where a job "sends"); on the window's own thread it runs at
//   once. The window's thread must never wait for a thread that may be
//   sending to it.
// - KVXPostWindowWork queues the work and returns (where a job "posts").
//
// The work runs only while the window exists and is created, as window
// messages do (KVXWindowMessages.h): for a window that is gone, or that
// goes before the work's turn comes, the work is dropped without running,
// and a waiting sender is released. Both give TRUE only when the work ran
// (send) or was queued (post).

#include <functional>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class QObject;

PENDREL_API BOOL KVXSendWindowWork(QObject* window, std::function<void()> work);
PENDREL_API BOOL KVXPostWindowWork(QObject* window, std::function<void()> work);
