#pragma once
// CAbstractFileFindInfo: what a search tells about one folder entry.

#include "compat/WinTypes.h"
#include "utility/BasicDateTime.h"

class CAbstractFileFindInfo {
public:
    virtual ~CAbstractFileFindInfo() {}

    virtual const wchar_t* GetFileName() const = 0;
    // The short (8.3) name; empty where the file system has none.
    virtual const wchar_t* GetAlternateName() const = 0;
    virtual DWORD GetAttributes() const = 0;
    // Local times.
    virtual CBasicDateTime GetCreationTime() const = 0;
    virtual CBasicDateTime GetLastAccessTime() const = 0;
    virtual CBasicDateTime GetLastWriteTime() const = 0;
    virtual ULONGLONG GetFileSize() const = 0;
    // The size on disk of compressed and sparse files, else the size.
    virtual ULONGLONG GetCompressedSize() const = 0;
};
