#pragma once
// CVSSFile: a local file that opens the copy of a file inside a volume
// snapshot where its snapshot mapper has one, and the live file otherwise
// (also when the copy cannot be opened: that failure is reported, and the
// live file is tried).

#include "utility/Posix/BasicFile.h"

class CAbstractSnapshot;

class CVSSFile : public CBasicFile {
public:
    CVSSFile(CAbstractSnapshot* mapper, const wchar_t* name, CAbstractLog* log);
    ~CVSSFile() override;

    int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;

protected:
    // The mapper's path for name; empty without a mapper or an answer.
    CBasicString MappedPath(const wchar_t* name);

    CAbstractSnapshot* m_mapper;
};
