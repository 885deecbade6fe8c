#pragma once
// What the file layer and the file search read about one file-system entry,
// in the terms the system works with: Windows attribute bits, sizes and the
// three times.
//
// Attributes: FILE_ATTRIBUTE_DIRECTORY for a folder, _REPARSE_POINT for a
// symbolic link (never _DIRECTORY as well, so that no walk that descends
// into folders ever follows a link), _READONLY when the owner may not write,
// _HIDDEN for a name that begins with '.' (but not "." and ".."), _SPARSE_FILE
// for a regular file that occupies fewer bytes on disk than its size, and
// _NORMAL when none of these applies.

#include <cstdint>
#include <ctime>

#include "compat/WinTypes.h"

struct FileStatus {
    DWORD attributes = 0;
    // Both 0 for a folder.
    uint64_t size = 0;
    uint64_t sizeOnDisk = 0;
    // The creation time is the birth time where the file system keeps one,
    // else the last-write time.
    timespec creation {};
    timespec lastAccess {};
    timespec lastWrite {};
};

// Reads the entry name in the open folder folderFd (AT_FDCWD for a path
// relative to the current folder or an absolute one), without following a
// final symbolic link. false (errno set) when it cannot be read.
bool ReadFileStatus(int folderFd, const char* name, FileStatus& status);
