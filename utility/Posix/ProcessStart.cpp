#include "utility/Posix/ProcessStart.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/SystemError.h"

extern char** environ;

namespace {

std::vector<char*> ArgumentPointers(const std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    for (const std::string& a : arguments) pointers.push_back(const_cast<char*>(a.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Spawn attributes: an empty signal mask and SIGPIPE at its default.
void SetSpawnSignals(posix_spawnattr_t* attributes) {
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(attributes, &none);
    posix_spawnattr_setsigdefault(attributes, &defaults);
    posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

// Writes errno to the pipe and ends; only async-signal-safe calls.
[[noreturn]] void ReportChildFailure(int pipeFd) {
    int err = errno;
    ssize_t ignored = write(pipeFd, &err, sizeof(err));
    (void)ignored;
    _exit(127);
}

} // namespace

HANDLE StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& workingFolder, const std::vector<int>& inherited) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    // A descriptor duplicated onto itself loses close-on-exec in the child only.
    for (int fd : inherited) posix_spawn_file_actions_adddup2(&actions, fd, fd);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    SetSpawnSignals(&attributes);
    std::vector<char*> argv = ArgumentPointers(arguments);
    pid_t pid = 0;
    int err = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        SetLastErrorFromErrno(err);
        return nullptr;
    }
    HANDLE process = AdoptChildProcess(pid);
    if (!process) {
        // Without a handle nobody could wait for it.
        DWORD error = GetLastError();
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        SetLastError(error);
    }
    return process;
}

bool StartDetachedProcess(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv = ArgumentPointers(arguments);
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    // Two forks: the middle process ends at once, so the program is
    // nobody's child here and never stays a zombie.
    pid_t middle = fork();
    if (middle == 0) {
        close(errorPipe[0]);
        pid_t grandchild = fork();
        if (grandchild < 0) ReportChildFailure(errorPipe[1]);
        if (grandchild > 0) _exit(0);
        sigset_t none;
        sigemptyset(&none);
        pthread_sigmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        execve(program.c_str(), argv.data(), environ);
        ReportChildFailure(errorPipe[1]);
    }
    int forkError = errno;
    close(errorPipe[1]);
    if (middle < 0) {
        close(errorPipe[0]);
        SetLastErrorFromErrno(forkError);
        return false;
    }
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    // Nothing arrives when the program runs: the pipe closes at exec.
    int childError = 0;
    ssize_t n;
    while ((n = read(errorPipe[0], &childError, sizeof(childError))) < 0 && errno == EINTR) {
    }
    close(errorPipe[0]);
    if (n == (ssize_t)sizeof(childError)) {
        SetLastErrorFromErrno(childError);
        return false;
    }
    return true;
}

std::string FindProgramOnPath(const std::string& name) {
    if (name.empty()) return std::string();
    if (name.find('/') != std::string::npos) return name;
    const char* path = getenv("PATH");
    std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = folders.find(':', start);
        // An empty entry is the current folder.
        std::string candidate = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (candidate.empty()) candidate.push_back('.');
        candidate.append("/").append(name);
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) return std::string();
        start = end + 1;
    }
}
