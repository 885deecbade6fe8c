#include "utility/Posix/ProcessHandle.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <mutex>
#include <new>
#include <vector>

#include "utility/Posix/SystemError.h"

namespace {

// Children whose handle was closed while they still ran.
std::mutex g_orphansMutex;
std::vector<pid_t> g_orphans;

void ReapOrphans() {
    std::lock_guard<std::mutex> lock(g_orphansMutex);
    for (size_t i = 0; i < g_orphans.size();) {
        pid_t result = waitpid(g_orphans[i], nullptr, WNOHANG);
        if (result == 0) {
            ++i;
        } else {
            g_orphans[i] = g_orphans.back();
            g_orphans.pop_back();
        }
    }
}

void AddOrphan(pid_t pid) {
    std::lock_guard<std::mutex> lock(g_orphansMutex);
    g_orphans.push_back(pid);
}

CProcessHandle* ProcessObject(HANDLE process) {
    CHandle* handle = GetHandleObject(process);
    CProcessHandle* object = handle ? handle->AsProcess() : nullptr;
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

HANDLE NewProcessHandle(pid_t pid, int pidfd, bool child) {
    CProcessHandle* process = new (std::nothrow) CProcessHandle(pid, pidfd, child);
    if (!process) {
        close(pidfd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return NewHandle(process);
}

// The process id behind a pidfd, from its "Pid:" line in /proc; 0 when
// the descriptor is no process descriptor.
pid_t PidOfDescriptor(int pidfd) {
    std::string path = "/proc/self/fdinfo/" + std::to_string(pidfd);
    FILE* info = fopen(path.c_str(), "re");
    if (!info) return 0;
    char line[128];
    long pid = 0;
    while (fgets(line, sizeof line, info)) {
        if (sscanf(line, "Pid: %ld", &pid) == 1) break;
    }
    fclose(info);
    return pid > 0 ? (pid_t)pid : 0;
}

} // namespace

CProcessHandle::CProcessHandle(pid_t pid, int pidfd, bool child) : m_pid(pid), m_pidfd(pidfd), m_child(child) {}

CProcessHandle::~CProcessHandle() {
    if (m_child && !Reap()) AddOrphan(m_pid);
    close(m_pidfd);
    ReapOrphans();
}

int CProcessHandle::PollDescriptor() const { return m_pidfd; }

bool CProcessHandle::TryAcquire() { return true; }

CProcessHandle* CProcessHandle::AsProcess() { return this; }

bool CProcessHandle::Reap() {
    if (m_reaped) return true;
    if (!m_child) return false;
    siginfo_t info = {};
    while (waitid(P_PIDFD, (id_t)m_pidfd, &info, WEXITED | WNOHANG) < 0) {
        if (errno != EINTR) return false;
    }
    if (info.si_pid == 0) return false;
    m_reaped = true;
    if (info.si_code == CLD_EXITED) m_exitCode = (DWORD)info.si_status;
    else if (m_terminated) m_exitCode = m_terminateCode;
    else m_exitCode = 128 + (DWORD)info.si_status;
    return true;
}

bool CProcessHandle::GetExitCode(DWORD* exitCode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    *exitCode = Reap() ? m_exitCode : STILL_ACTIVE;
    return true;
}

bool CProcessHandle::Terminate(UINT exitCode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_reaped) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (syscall(SYS_pidfd_send_signal, m_pidfd, SIGKILL, nullptr, 0) < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    m_terminated = true;
    m_terminateCode = exitCode;
    return true;
}

HANDLE AdoptChildProcess(pid_t pid) {
    ReapOrphans();
    int pidfd = (int)syscall(SYS_pidfd_open, pid, 0);
    if (pidfd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    return NewProcessHandle(pid, pidfd, true);
}


HANDLE OpenCurrentProcessHandle() {
    int pidfd = (int)syscall(SYS_pidfd_open, getpid(), 0);
    if (pidfd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    return NewProcessHandle(getpid(), pidfd, false);
}

HANDLE AdoptProcessDescriptor(int pidfd) {
    pid_t pid = pidfd >= 0 ? PidOfDescriptor(pidfd) : 0;
    if (pid == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    int flags = fcntl(pidfd, F_GETFD);
    if (flags >= 0) fcntl(pidfd, F_SETFD, flags | FD_CLOEXEC);
    return NewProcessHandle(pid, pidfd, false);
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
    CProcessHandle* object = ProcessObject(process);
    if (!object || !exitCode) {
        if (object) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return object->GetExitCode(exitCode) ? TRUE : FALSE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
    CProcessHandle* object = ProcessObject(process);
    return object && object->Terminate(exitCode) ? TRUE : FALSE;
}

DWORD GetProcessId(HANDLE process) {
    CProcessHandle* object = ProcessObject(process);
    return object ? (DWORD)object->GetPid() : 0;
}
