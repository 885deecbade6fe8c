#pragma once
// Events over an eventfd. The event is signalled while the counter is above
// 0. A manual-reset event stays signalled until ResetEvent; an automatic-
// reset event lets one waiter through and is then clear again (the waiter
// reads the whole counter, so several SetEvent calls before a wait release
// one waiter, as the system's events do). The descriptor may be handed to a
// child process, where AdoptEventDescriptor makes an event of it again:
// both processes then share the one event.

#include "utility/Posix/Handle.h"

class CEventHandle : public CHandle {
public:
    // Takes over the descriptor (an eventfd), which it closes.
    CEventHandle(int fd, bool manualReset);
    ~CEventHandle() override;

    int PollDescriptor() const override;
    bool TryAcquire() override;
    bool Signal() override;
    bool Unsignal() override;
    // Clears the event: true when it was signalled.
    bool Take();

private:
    int m_fd;
    bool m_manualReset;
};

// A new event, signalled when initialState is non-zero; null (with the last
// error) when it cannot be made.
HANDLE CreateEventHandle(BOOL manualReset, BOOL initialState);

// An event over an eventfd inherited from another process; the handle owns
// the descriptor. Null for a descriptor below 0.
HANDLE AdoptEventDescriptor(int fd, BOOL manualReset);

BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Resets the event in one step with finding out whether it was signalled:
// TRUE when it was, FALSE (without waiting) when it was not or the handle
// is no event. Spares a wait for an event that is mostly signalled already.
BOOL TakeEvent(HANDLE event);
