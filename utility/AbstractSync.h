#pragma once
// A waitable synchronisation object: a semaphore (CBasicSemaphore) or an
// event (CBasicEvent). The wrapper objects hold no lock of their own and
// must not be used by other threads while they are made or destroyed.

#include <utility>

#include "compat/WinTypes.h"

class CAbstractSync {
public:
    virtual ~CAbstractSync() {}

    // Takes the object, waiting at most the given time; the wait result.
    virtual DWORD Lock(DWORD milliseconds) = 0;

    // Waits for this object or any of count others: the pair (index, kind).
    virtual std::pair<int, int> LockAny(CAbstractSync** others, int count, DWORD milliseconds) = 0;

    virtual int NotSupported(DWORD first, DWORD second) = 0;

    virtual int Unlock() = 0;

    virtual HANDLE GetHandle() = 0;
};
