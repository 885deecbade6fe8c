#include "utility/Posix/EventHandle.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

#include "utility/Posix/SystemError.h"

namespace {

// Empties the counter; false only when it was already empty.
bool DrainCounter(int fd) {
    uint64_t value;
    while (read(fd, &value, sizeof(value)) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

} // namespace

CEventHandle::CEventHandle(int fd, bool manualReset) : m_fd(fd), m_manualReset(manualReset) {}

CEventHandle::~CEventHandle() { close(m_fd); }

int CEventHandle::PollDescriptor() const { return m_fd; }

bool CEventHandle::TryAcquire() { return m_manualReset || DrainCounter(m_fd); }

bool CEventHandle::Signal() {
    uint64_t one = 1;
    for (;;) {
        if (write(m_fd, &one, sizeof(one)) == (ssize_t)sizeof(one)) return true;
        // A counter at its limit is signalled already.
        if (errno == EAGAIN) return true;
        if (errno != EINTR) {
            SetLastErrorFromErrno(errno);
            return false;
        }
    }
}

bool CEventHandle::Unsignal() {
    DrainCounter(m_fd);
    return true;
}

bool CEventHandle::Take() { return DrainCounter(m_fd); }

HANDLE CreateEventHandle(BOOL manualReset, BOOL initialState) {
    int fd = eventfd(initialState ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    return AdoptEventDescriptor(fd, manualReset);
}

HANDLE AdoptEventDescriptor(int fd, BOOL manualReset) {
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        SetLastErrorFromErrno(errno);
        close(fd);
        return nullptr;
    }
    CEventHandle* event = new (std::nothrow) CEventHandle(fd, manualReset != 0);
    if (!event) {
        close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return NewHandle(event);
}

BOOL SetEvent(HANDLE event) {
    CHandle* object = GetHandleObject(event);
    return object && object->Signal() ? TRUE : FALSE;
}

BOOL ResetEvent(HANDLE event) {
    CHandle* object = GetHandleObject(event);
    return object && object->Unsignal() ? TRUE : FALSE;
}

BOOL TakeEvent(HANDLE event) {
    CEventHandle* object = dynamic_cast<CEventHandle*>(GetHandleObject(event));
    return object && object->Take() ? TRUE : FALSE;
}
