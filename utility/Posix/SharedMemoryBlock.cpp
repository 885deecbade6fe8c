#include "utility/Posix/SharedMemoryBlock.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "utility/Posix/SystemError.h"

CSharedMemoryBlock::~CSharedMemoryBlock() { Close(); }

bool CSharedMemoryBlock::Create(size_t size) {
    Close();
    int fd = memfd_create("kvx-shared", MFD_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (ftruncate(fd, (off_t)size) < 0 || !Map(fd, size)) {
        SetLastErrorFromErrno(errno);
        close(fd);
        return false;
    }
    return true;
}

bool CSharedMemoryBlock::Adopt(int fd, size_t size) {
    Close();
    struct stat status;
    if (fd < 0 || fstat(fd, &status) < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // A block shorter than asked for would fault on access.
    if ((size_t)status.st_size < size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!Map(fd, size)) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    int flags = fcntl(fd, F_GETFD);
    if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    return true;
}

bool CSharedMemoryBlock::Map(int fd, size_t size) {
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) return false;
    m_fd = fd;
    m_data = data;
    m_size = size;
    return true;
}

bool CSharedMemoryBlock::Close() {
    bool ok = true;
    if (m_data && munmap(m_data, m_size) < 0) ok = false;
    if (m_fd >= 0 && close(m_fd) < 0) ok = false;
    m_data = nullptr;
    m_fd = -1;
    m_size = 0;
    return ok;
}
