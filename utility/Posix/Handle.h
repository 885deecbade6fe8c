#pragma once
// The handle layer: the system's waitable objects (events, semaphores,
// processes) are objects behind a HANDLE, each over a file descriptor that
// poll() watches. A HANDLE names a CHandle made by one of the Create
// functions (EventHandle.h, SemaphoreHandle.h, ProcessHandle.h) in the
// process-wide handle table (ProcessWide/HandleTable.h), and CloseHandle
// frees it: a closed or unknown handle fails with ERROR_INVALID_HANDLE.
// Objects are used through virtual calls only, so a handle made in one
// module works in another that has its own copy of the utility library.
//
// Failing calls set the thread's last error (SystemError.h) with its
// Windows number.

#include "compat/WinTypes.h"

class CProcessHandle;

class CHandle {
public:
    virtual ~CHandle();
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    // The descriptor that becomes readable when the object is signalled;
    // -1 for an object that cannot be polled, which the waits then try at
    // short intervals.
    virtual int PollDescriptor() const = 0;

    // Called when the object looks signalled: true when the waiter has it.
    // An automatic-reset event or a semaphore takes its count here, so two
    // waiters never both get one count.
    virtual bool TryAcquire() = 0;

    // SetEvent, ResetEvent and ReleaseSemaphore; an object of another kind
    // refuses them with ERROR_INVALID_HANDLE.
    virtual bool Signal();
    virtual bool Unsignal();
    virtual bool Release(LONG count, LONG* previousCount);

    // The process object, or null for an object of another kind.
    virtual CProcessHandle* AsProcess();

protected:
    CHandle() = default;
};

// A new handle for the object, which the handle then owns. Null (with the
// last error as the Create function left it) for a null object; null with
// ERROR_NOT_ENOUGH_MEMORY, the object freed, when the table cannot grow.
HANDLE NewHandle(CHandle* object);

// The object behind a handle; null (with ERROR_INVALID_HANDLE) for a null,
// closed or unknown handle.
CHandle* GetHandleObject(HANDLE handle);

// Frees the object (a process handle leaves its process running). FALSE
// with ERROR_INVALID_HANDLE for a null, closed or unknown handle.
BOOL CloseHandle(HANDLE handle);

// Waits until the object is signalled (WAIT_OBJECT_0), the time has passed
// (WAIT_TIMEOUT; INFINITE never passes) or the wait fails (WAIT_FAILED with
// the last error set, also for a null handle).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Waits until any of count objects (1 to MAXIMUM_WAIT_OBJECTS) is
// signalled: WAIT_OBJECT_0 + the lowest index among those signalled,
// WAIT_TIMEOUT or WAIT_FAILED. Waiting for all of them (waitAll TRUE) is
// not offered and fails with ERROR_NOT_SUPPORTED.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// The same wait (for any of the objects), but the objects are checked over
// and over for up to spinMicroseconds before the thread sleeps: for
// exchanges with another process whose answer mostly comes within a few
// microseconds, where falling asleep and being woken cost more than the
// wait itself. The spin counts towards milliseconds.
DWORD SpinWaitForMultipleObjects(DWORD count, const HANDLE* handles, DWORD spinMicroseconds, DWORD milliseconds);

// The descriptor behind the handle (for passing it to a child process);
// -1 when there is none.
int GetHandleDescriptor(HANDLE handle);
