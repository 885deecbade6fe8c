#include "utility/Posix/SemaphoreHandle.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

#include "utility/Posix/LockFileSemaphore.h"
#include "utility/Posix/SystemError.h"

CSemaphoreHandle::CSemaphoreHandle(int fd, LONG count, LONG maximumCount)
    : m_fd(fd), m_count(count), m_maximumCount(maximumCount) {}

CSemaphoreHandle::~CSemaphoreHandle() { close(m_fd); }

int CSemaphoreHandle::PollDescriptor() const { return m_fd; }

bool CSemaphoreHandle::TryAcquire() {
    std::lock_guard<std::mutex> lock(m_mutex);
    uint64_t one;
    while (read(m_fd, &one, sizeof(one)) < 0) {
        if (errno != EINTR) return false;
    }
    --m_count;
    return true;
}

bool CSemaphoreHandle::Release(LONG count, LONG* previousCount) {
    if (count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (count > m_maximumCount - m_count) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return false;
    }
    uint64_t added = (uint64_t)count;
    while (write(m_fd, &added, sizeof(added)) < 0) {
        if (errno != EINTR) {
            SetLastErrorFromErrno(errno);
            return false;
        }
    }
    if (previousCount) *previousCount = m_count;
    m_count += count;
    return true;
}

HANDLE CreateSemaphoreHandle(LONG initialCount, LONG maximumCount, const wchar_t* name) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (name && *name) {
        if (maximumCount != 1) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return nullptr;
        }
        return OpenLockFileSemaphore(name, initialCount == 1);
    }
    int fd = eventfd((unsigned)initialCount, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    CSemaphoreHandle* semaphore = new (std::nothrow) CSemaphoreHandle(fd, initialCount, maximumCount);
    if (!semaphore) {
        close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return NewHandle(semaphore);
}

BOOL ReleaseSemaphore(HANDLE semaphore, LONG count, LONG* previousCount) {
    CHandle* object = GetHandleObject(semaphore);
    return object && object->Release(count, previousCount) ? TRUE : FALSE;
}
