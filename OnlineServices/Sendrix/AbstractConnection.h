#pragma once
// CAbstractConnection: a connection to a server that the online module
// hands out (HTTP, FTP, SFTP). The FTP and SFTP connections extend it with
// their commands; the HTTP connection with Connect and Disconnect
// (CAbstractHttpConnection).

class CAbstractProxyProfile;

// GetProtocol's answers besides the FTP protocols 0 to 3 and SFTP (4).
constexpr int kConnectionProtocolHttp = 7;

class CAbstractConnection {
public:
    virtual ~CAbstractConnection() {}

    // 1 while the connection stands.
    virtual int IsConnected() = 0;
    // Makes sure the connection still answers: 1 when it does.
    virtual int CheckConnection() = 0;
    // The server's current folder into buffer (size in characters): 1, or 0.
    virtual int GetCurrentDirectory(wchar_t* buffer, int size) = 0;
    virtual int GetProtocol() = 0;
    // The running flag: a long operation stops once it is cleared.
    virtual int IsRunning() = 0;
    virtual void SetRunning(int running) = 0;
    virtual int GetLastError() = 0;
    // The proxy profile the connection was made with, or null.
    virtual CAbstractProxyProfile* GetProxyProfile() = 0;
};
