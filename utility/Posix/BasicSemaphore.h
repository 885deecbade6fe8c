#pragma once
// A semaphore, usually named and shared between processes (the log files'
// "LogFileSemaphore", count 1 of 1), or unnamed for the threads of one
// process (the list boxes). A named semaphore is open to every user's
// processes (SemaphoreHandle.h).

#include "utility/AbstractSync.h"

class CBasicSemaphore : public CAbstractSync {
public:
    // name null or "" makes an unnamed semaphore. When the semaphore cannot
    // be made the handle stays null and every operation fails.
    CBasicSemaphore(int initialCount, int maximumCount, const wchar_t* name);
    ~CBasicSemaphore() override;
    CBasicSemaphore(const CBasicSemaphore&) = delete;
    CBasicSemaphore& operator=(const CBasicSemaphore&) = delete;

    // The wait result; WAIT_FAILED without a handle.
    DWORD Lock(DWORD milliseconds) override;

    // Waits for this semaphore or any of the others: (-1, 0) time-out,
    // (-1, 1) this semaphore taken, (i, 2) the i-th other object (from 1),
    // (-1, -1) failure or no handle.
    std::pair<int, int> LockAny(CAbstractSync** others, int count, DWORD milliseconds) override;

    // An assertion report; 0.
    int NotSupported(DWORD first, DWORD second) override;

    // Releases one count; always 0, also when the semaphore was at its
    // maximum already.
    int Unlock() override;

    HANDLE GetHandle() override;

private:
    HANDLE m_handle;
    DWORD m_reserved = 0;
};
