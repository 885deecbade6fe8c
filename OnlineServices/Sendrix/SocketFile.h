#pragma once
// CSocketFile: the file interface over a connected socket, so that the line
// reader and transfer loops treat a data connection like a file. The socket
// is not owned and is never closed by the file.
//
// Read and Write return the byte count (also stored in the count pointer
// when one is given) and throw the int kSocketReadFailed /
// kSocketWriteFailed (StreamErrors.h) on failure. Every other file
// operation has no meaning on a socket and fails (or does nothing).

#include "utility/AbstractFile.h"

class CAbstractSocket;

class CSocketFile : public CAbstractFile {
public:
    // singleRead: a read ends after one receive; otherwise it waits until
    // the whole size has come or the peer has closed.
    CSocketFile(CAbstractSocket* socket, int singleRead);
    ~CSocketFile() override;

    int IsOpen() override;
    DWORD GetLastError() override;
    int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    int Read(void* buffer, DWORD size, DWORD* done) override;
    // Input that is waiting when the write begins is read and thrown away
    // first (without ever waiting for more), then the data is sent once.
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    // Forgets the socket: 1.
    int Close() override;
    int CreateFolder(const wchar_t* path) override;
    int RemoveFolder(const wchar_t* path) override;
    int Delete(const wchar_t* path) override;
    int GetAttributes(const wchar_t* path, DWORD* attributes) override;
    int SetAttributes(const wchar_t* path, DWORD attributes) override;
    int GetFileSizeByName(const wchar_t* path, ULONGLONG* size) override;
    int GetSize(ULONGLONG* size) override;
    int SetSize(ULONGLONG size) override;
    int GetPosition(ULONGLONG* position) override;
    int Seek(LONGLONG distance, DWORD origin) override;
    const wchar_t* GetFileName() override;
    int SetFileName(const wchar_t* name) override;
    CAbstractLog* GetLog() override;
    int SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                 const CBasicDateTime* lastWrite) override;
    int Truncate() override;
    int ZeroData(LONGLONG offset, LONGLONG length) override;

private:
    void DrainInput();

    CAbstractSocket* m_socket;
    int m_singleRead;
};

// A new socket file; null when memory runs out.
CSocketFile* CreateSocketFile(CAbstractSocket* socket, int singleRead);
