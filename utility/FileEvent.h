#pragma once
// The events of the category "FILE" that file objects report (the log's
// definition file gives their texts). Each carries the file's name and,
// except for the two "no file open" events, the error detail "(%d) %s".
// Events marked verbose are written only while the log is verbose.

#include "compat/WinTypes.h"

constexpr wchar_t kFileEventCategory[] = L"FILE";

enum FileEvent : int {
    kFileEventOpenRead = -1,   // open without write access
    kFileEventOpenWrite = -2,  // open with write access (GENERIC_WRITE)
    kFileEventRead = -3,
    kFileEventWrite = -4,
    kFileEventCreateFolder = -5,
    kFileEventRemoveFolder = -6,   // verbose
    kFileEventDelete = -7,         // verbose
    kFileEventSetAttributes = -8,  // verbose
    kFileEventGetAttributes = -9,  // verbose
    kFileEventSetTimes = -10,
    kFileEventPosition = -11,  // seek or get position
    kFileEventGetSize = -12,
    kFileEventClose = -13,
    kFileEventReadClosed = -15,   // read while no file is open (name only)
    kFileEventWriteClosed = -16,  // write while no file is open (name only)
    kFileEventZeroData = -17,
    kFileEventTruncate = -18,
};

// The open event for an access mask.
constexpr int OpenFileEvent(DWORD access) {
    return (access & GENERIC_WRITE) ? kFileEventOpenWrite : kFileEventOpenRead;
}
