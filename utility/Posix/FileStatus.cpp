#include "utility/Posix/FileStatus.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr uint64_t kBlockSize = 512;

timespec TimeOf(const statx_timestamp& t) { return timespec {(time_t)t.tv_sec, (long)t.tv_nsec}; }

// The last component of a path.
const char* NameOf(const char* path) {
    const char* end = path + strlen(path);
    while (end > path + 1 && end[-1] == '/') --end;
    const char* start = end;
    while (start > path && start[-1] != '/') --start;
    return start;
}

bool EndsComponent(char ch) { return ch == '/' || ch == '\0'; }

// A name that begins with '.', other than "." and "..".
bool IsDotName(const char* name) {
    return name[0] == '.' && !EndsComponent(name[1]) && !(name[1] == '.' && EndsComponent(name[2]));
}

} // namespace

bool ReadFileStatus(int folderFd, const char* name, FileStatus& status) {
    struct statx sx;
    unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    if (statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &sx) != 0) return false;

    status = FileStatus {};
    // A folder has no size of its own, as the system's searches report it.
    if (!S_ISDIR(sx.stx_mode)) {
        status.size = sx.stx_size;
        status.sizeOnDisk = sx.stx_blocks * kBlockSize;
    }
    status.lastAccess = TimeOf(sx.stx_atime);
    status.lastWrite = TimeOf(sx.stx_mtime);
    status.creation = (sx.stx_mask & STATX_BTIME) ? TimeOf(sx.stx_btime) : status.lastWrite;

    DWORD attributes = 0;
    if (S_ISDIR(sx.stx_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISLNK(sx.stx_mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    else if (!(sx.stx_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (IsDotName(NameOf(name))) attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (S_ISREG(sx.stx_mode) && status.sizeOnDisk < status.size) attributes |= FILE_ATTRIBUTE_SPARSE_FILE;
    status.attributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return true;
}
