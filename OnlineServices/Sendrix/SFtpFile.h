#pragma once
// CSFtpFile: one remote file of an SFTP connection through the file
// interface, on top of the FTP file's bookkeeping (path, access, position).
// Open asks the agent to open the file at the position; Read and Write move
// the data in requests of at most 4096 bytes (a write ends with an empty
// piece); the folder operations are single requests, a folder being
// removed with everything in it. Errors stay in the connection's last
// result.
//
// Events of category "ONLINE" with the path: -21 / -22 a read / write did
// not start, -5 / -6 receiving / sending failed, -11 and -7 a folder
// neither made nor present.

#include <string>

#include "OnlineServices/Sendrix/FtpFile.h"

class CSFtpConnection;

class CSFtpFile : public CFtpFile {
public:
    CSFtpFile(CAbstractConnection* connection, DWORD access, const wchar_t* path);

    int IsOpen() override;
    DWORD GetLastError() override { return 0; }
    int Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    int Read(void* buffer, DWORD size, DWORD* done) override;
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    int Close() override;
    // 1 made or present already, 0 failure, -20 bad arguments.
    int CreateFolder(const wchar_t* path) override;
    int RemoveFolder(const wchar_t* path) override;
    int Delete(const wchar_t* path) override;

private:
    // A request with a path and its empty reply: 1/0.
    int PathRequest(DWORD code, const std::string& path);
    // A folder operation's arguments: false (-20, assertion) when unusable.
    bool CanUsePath(const wchar_t* path, int line);
    // A Read or Write call's arguments: false (-20, assertion) when unusable.
    bool CanMove(const void* buffer, DWORD size, DWORD* done, DWORD access, int line);
    void LogPath(int code, const CBasicString& path, int line);

    CSFtpConnection* m_sftp;
    int m_open = 0;
};
