#pragma once
// CAbstractFile: the one file interface of the system. Local files, HTTP,
// FTP and SFTP transfers and socket streams all present themselves through
// it, so that copying, checksums, encryption and profile storage work on any
// of them.
//
// Results: Open, Read and Write give 0 on success and -1 on failure (other
// file kinds: >= 0 is success); the other operations give 1 on success and
// 0 on failure unless said otherwise. The path operations (CreateFolder to
// GetFileSizeByName) work whether or not a file is open and do not touch it.

#include "compat/WinTypes.h"

class CAbstractLog;
class CBasicDateTime;

class CAbstractFile {
public:
    virtual ~CAbstractFile() {}

    virtual int IsOpen() = 0;
    // The system error code of the last failed call.
    virtual DWORD GetLastError() = 0;
    // access, share, disposition and flags take the values of the Windows
    // file-creation call (GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
    // FILE_FLAG_SEQUENTIAL_SCAN, ...).
    virtual int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) = 0;
    // done (may be null) receives the count transferred; fewer bytes than
    // asked (none at the end of a file) is still success.
    virtual int Read(void* buffer, DWORD size, DWORD* done) = 0;
    virtual int Write(const void* buffer, DWORD size, DWORD* done) = 0;
    // Non-zero when an open file was closed successfully.
    virtual int Close() = 0;
    // Creates every missing level: 0 failure, 1 the last folder already
    // existed, 2 it was created.
    virtual int CreateFolder(const wchar_t* path) = 0;
    // Removes the folder with everything in it.
    virtual int RemoveFolder(const wchar_t* path) = 0;
    virtual int Delete(const wchar_t* path) = 0;
    virtual int GetAttributes(const wchar_t* path, DWORD* attributes) = 0;
    virtual int SetAttributes(const wchar_t* path, DWORD attributes) = 0;
    virtual int GetFileSizeByName(const wchar_t* path, ULONGLONG* size) = 0;
    virtual int GetSize(ULONGLONG* size) = 0;
    virtual int SetSize(ULONGLONG size) = 0;
    virtual int GetPosition(ULONGLONG* position) = 0;
    // origin: 0 from the start, 1 from the current position, 2 from the end.
    virtual int Seek(LONGLONG distance, DWORD origin) = 0;
    virtual const wchar_t* GetFileName() = 0;
    virtual int SetFileName(const wchar_t* name) = 0;
    virtual CAbstractLog* GetLog() = 0;
    // Local times; a null time is left as it is.
    virtual int SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                         const CBasicDateTime* lastWrite) = 0;
    // Cuts the file at the current position.
    virtual int Truncate() = 0;
    // Zeroes length bytes from offset (a sparse file releases them).
    virtual int ZeroData(LONGLONG offset, LONGLONG length) = 0;
};
