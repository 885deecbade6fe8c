#include "utility/Posix/FileDescriptor.h"

#include <cerrno>
#include <unistd.h>

bool WriteFully(int fd, const void* data, size_t size, size_t* written) {
    const char* p = (const char*)data;
    size_t done = 0;
    bool ok = true;
    while (done < size) {
        ssize_t n = write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            ok = false;
            break;
        }
        done += (size_t)n;
    }
    if (written) *written = done;
    return ok;
}

bool ReadFully(int fd, void* buffer, size_t size, size_t* got) {
    char* p = (char*)buffer;
    size_t done = 0;
    bool ok = true;
    while (done < size) {
        ssize_t n = read(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        done += (size_t)n;
    }
    *got = done;
    return ok;
}
