#include "utility/Posix/LockFileSemaphore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"

namespace {

// The folder that every user shares.
const char kLockFolder[] = "/tmp";

// Opens the lock file without following a link. An existing file is opened
// without O_CREAT, which a world-writable sticky folder may refuse for a
// file of another user.
int OpenLockFile(const std::string& path) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno != ENOENT) return -1;
        fd = open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Past the creator's umask, so every user can open it.
            fchmod(fd, 0666);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

} // namespace

CLockFileSemaphore::CLockFileSemaphore(int fd) : m_fd(fd) {}

CLockFileSemaphore::~CLockFileSemaphore() { close(m_fd); }

int CLockFileSemaphore::PollDescriptor() const { return -1; }

bool CLockFileSemaphore::TryAcquire() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_held) return false;
    while (flock(m_fd, LOCK_EX | LOCK_NB) < 0) {
        if (errno != EINTR) return false;
    }
    m_held = true;
    return true;
}

bool CLockFileSemaphore::Release(LONG count, LONG* previousCount) {
    if (count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_held || count != 1) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return false;
    }
    if (flock(m_fd, LOCK_UN) < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    m_held = false;
    if (previousCount) *previousCount = 0;
    return true;
}

std::string LockFilePathOfName(const wchar_t* name) {
    std::string file = ToSystemText(name);
    for (char& c : file)
        if (c == '/' || c == '\\') c = '_';
    return std::string(kLockFolder) + "/.kvx-" + file + ".lock";
}

HANDLE OpenLockFileSemaphore(const wchar_t* name, bool available) {
    int fd = OpenLockFile(LockFilePathOfName(name));
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) < 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    CLockFileSemaphore* semaphore = new (std::nothrow) CLockFileSemaphore(fd);
    if (!semaphore) {
        close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!available) semaphore->TryAcquire();
    return NewHandle(semaphore);
}
