#pragma once
// A child process behind a HANDLE: a pidfd, signalled when the process has
// ended. The exit code is read once the process has ended; it is the
// process's exit status, the code given to TerminateProcess when that ended
// it, or 128 + the signal number when another signal ended it.
//
// Closing the handle of a process that still runs leaves it running; it is
// reaped later (when another process handle is made or closed), so it never
// stays a zombie for long.

#include <sys/types.h>

#include <mutex>

#include "utility/Posix/Handle.h"

class CProcessHandle : public CHandle {
public:
    // Takes over the pidfd of the child process pid, which it closes.
    CProcessHandle(pid_t pid, int pidfd);
    ~CProcessHandle() override;

    int PollDescriptor() const override;
    bool TryAcquire() override;
    CProcessHandle* AsProcess() override;

    pid_t GetPid() const { return m_pid; }
    // STILL_ACTIVE while the process runs.
    bool GetExitCode(DWORD* exitCode);
    bool Terminate(UINT exitCode);

private:
    // Reaps the process when it has ended; true once it has. Called with
    // the lock held.
    bool Reap();

    pid_t m_pid;
    int m_pidfd;
    std::mutex m_mutex;  // guards the state below
    bool m_reaped = false;
    DWORD m_exitCode = STILL_ACTIVE;
    bool m_terminated = false;
    UINT m_terminateCode = 0;
};

// A handle for the child process pid (started by this process); null with
// the last error when its pidfd cannot be had.
HANDLE AdoptChildProcess(pid_t pid);

// FALSE with ERROR_INVALID_HANDLE for a handle that is no process.
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
// Ends the process (SIGKILL); its exit code becomes exitCode.
BOOL TerminateProcess(HANDLE process, UINT exitCode);
// 0 for a handle that is no process.
DWORD GetProcessId(HANDLE process);
