#pragma once
// CAbstractChecksumProgress: told how far a file checksum has come.

#include "compat/WinTypes.h"

class CAbstractChecksumProgress {
public:
    virtual ~CAbstractChecksumProgress() {}
    // bytes more have been read.
    virtual void Progress(ULONGLONG bytes) = 0;
};
