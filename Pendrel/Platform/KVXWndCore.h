#pragma once
// What every window of the framework has besides its Qt widget: the window
// procedure that receives window messages (KVXWindowMessages.h), timers by
// id, and whether the window exists. CKVXWnd<QtWidget> (KVXWnd.h) joins it to
// a Qt widget class; dialogs and controls derive from such a class.
//
// - A window is known to the message functions from construction to
//   destruction. A window that is not created (a dialog before Create or
//   DoModal, or after DestroyWindow) drops the messages it gets: the
//   handler does not run, a sender gets 0, a posted record is freed.
// - Timers: SetTimer(id, milliseconds) starts a repeating timer, or
//   restarts the one with that id; each expiry calls OnTimer(id) on the
//   window's thread. The window's timers end with it. Timers are set and
//   killed on the window's own thread.

#include <atomic>
#include <map>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class QEvent;
class QObject;

class PENDREL_API CKVXWndCore {
public:
    CKVXWndCore(const CKVXWndCore&) = delete;
    CKVXWndCore& operator=(const CKVXWndCore&) = delete;

    // The window's message handler; the base handles nothing and gives 0.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A timer of this window expired; the base does nothing.
    virtual void OnTimer(UINT_PTR id);

    // Starts (or restarts) timer id with the period in milliseconds (at
    // least 10); the id, or 0 when no timer could be started.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
    // TRUE when timer id was running.
    BOOL KillTimer(UINT_PTR id);

    // The window exists (it takes messages).
    bool IsCreated() const { return m_created.load(); }

protected:
    explicit CKVXWndCore(QObject* self);
    virtual ~CKVXWndCore();

    void SetCreated(bool created) { m_created.store(created); }
    // Delivers window messages and this window's timers; false for every
    // other event.
    bool HandleWindowEvent(QEvent* event);

private:
    QObject* m_self;
    std::atomic<bool> m_created{true};
    std::map<UINT_PTR, int> m_timers;  // our id -> Qt timer id
};
