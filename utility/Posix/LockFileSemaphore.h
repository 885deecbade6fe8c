#pragma once
// The named semaphore of maximum 1, shared by all processes of all users:
// an exclusive flock() on the lock file /tmp/.kvx-<name>.lock. Holding the
// lock is holding the semaphore. The kernel drops the lock when its holder
// ends in any way, so a crashed holder never leaves the semaphore taken.
//
// The lock file is created readable and writable for everybody and is
// never opened through a symbolic link. Within one process each handle is
// one holder: a handle that holds the semaphore does not get it a second
// time, and two handles of one name exclude each other like two processes.
// The lock cannot be polled, so waits try it at short intervals.

#include <mutex>
#include <string>

#include "utility/Posix/Handle.h"

class CLockFileSemaphore : public CHandle {
public:
    // Takes over the descriptor of the open lock file, which it closes.
    explicit CLockFileSemaphore(int fd);
    ~CLockFileSemaphore() override;

    int PollDescriptor() const override;
    bool TryAcquire() override;
    // Only a count of 1 by the handle that holds the semaphore.
    bool Release(LONG count, LONG* previousCount) override;

private:
    int m_fd;
    std::mutex m_mutex;
    bool m_held = false;
};

// The lock file of a semaphore name: '/' and '\' in the name become '_'.
std::string LockFilePathOfName(const wchar_t* name);

// Opens (creating when missing) the named semaphore; when available is
// false the new handle takes the semaphore at once if it is free. Null with
// the last error when the lock file cannot be opened.
HANDLE OpenLockFileSemaphore(const wchar_t* name, bool available);
