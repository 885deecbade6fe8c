#pragma once
// Semaphores. An unnamed semaphore lives in this process: an eventfd in
// semaphore mode whose counter is the count, with the maximum kept beside
// it. A named semaphore of maximum 1 is shared by every process of every
// user and is a lock file (LockFileSemaphore.h). Named semaphores of a
// larger maximum are not available.

#include <mutex>

#include "utility/Posix/Handle.h"

class CSemaphoreHandle : public CHandle {
public:
    // Takes over the descriptor (an eventfd in semaphore mode whose counter
    // is count), which it closes.
    CSemaphoreHandle(int fd, LONG count, LONG maximumCount);
    ~CSemaphoreHandle() override;

    int PollDescriptor() const override;
    bool TryAcquire() override;
    bool Release(LONG count, LONG* previousCount) override;

private:
    int m_fd;
    // Taking and releasing hold the lock, so the count always equals the
    // counter outside of it.
    std::mutex m_mutex;
    LONG m_count;
    LONG m_maximumCount;
};

// A semaphore with the initial count, 0 to maximumCount. name null or ""
// makes an unnamed one; any other name opens or creates the named one
// (maximumCount must be 1, else ERROR_NOT_SUPPORTED). Null, with the last
// error, when it cannot be made.
HANDLE CreateSemaphoreHandle(LONG initialCount, LONG maximumCount, const wchar_t* name);

// Adds count (above 0) to the semaphore; FALSE with ERROR_TOO_MANY_POSTS,
// and the count unchanged, when that would pass the maximum. previousCount
// (optional) receives the count before the call.
BOOL ReleaseSemaphore(HANDLE semaphore, LONG count, LONG* previousCount);
