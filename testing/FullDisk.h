#pragma once
// A full disk for the calling process, while the object lives: every write
// of the process to a regular file fails with EFBIG (the file-size limit is
// 0 and SIGXFSZ is ignored, so the write fails instead of ending the
// process), as writes to a full file system fail. Reads and files already
// written stay as they are. The limit and the signal's handling come back
// at the end.
//
// The limit is the process's: a test uses one at a time and writes no file
// of its own meanwhile.

#include <signal.h>
#include <sys/resource.h>

namespace kvxtest {

class FullDisk {
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // False when the limit could not be set (the test then shows nothing).
    bool IsActive() const { return m_active; }

private:
    struct rlimit m_previous = {};
    struct sigaction m_previousAction = {};
    bool m_active = false;
};

}  // namespace kvxtest
