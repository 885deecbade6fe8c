#pragma once
// CAbstractOnlineModule: the factory object that CreateOnlineModule hands
// out; callers ask it for the library's connections, files, finders and
// sockets and give each back to its matching delete operation. It is freed
// with DeleteOnlineModule, through the virtual destructor.

class CAbstractCertificateHandler;
class CAbstractConnection;
class CAbstractFileFind;
class CAbstractFile;
class CAbstractLog;
class CAbstractOnlineProfile;
class CAbstractProxyProfile;
class CAbstractSocket;

class CAbstractOnlineModule {
public:
    virtual ~CAbstractOnlineModule() {}

    // An SFTP connection for protocol 4, else an FTP one, connected and
    // logged in with the profile; null when that failed.
    virtual CAbstractConnection* CreateFtpConnection(CAbstractOnlineProfile* profile,
                                                     CAbstractProxyProfile* proxyProfile, CAbstractLog* log,
                                                     CAbstractCertificateHandler* handler) = 0;
    virtual void DeleteFtpConnection(CAbstractConnection* connection) = 0;
    // A remote file of a connected connection (the second argument is not
    // used); null without one.
    virtual CAbstractFile* CreateFtpFile(CAbstractConnection* connection, const wchar_t* unused,
                                         const wchar_t* path) = 0;
    virtual void DeleteFtpFile(CAbstractFile* file) = 0;
    virtual CAbstractFileFind* CreateFtpFileFind(CAbstractConnection* connection) = 0;
    virtual void DeleteFtpFileFind(CAbstractFileFind* find) = 0;
    virtual int RenameFtpFile(const wchar_t* oldName, const wchar_t* newName, CAbstractConnection* connection) = 0;
    // The path of the first folder called name (without regard to case) in
    // directory or below it; empty when there is none. The text stays valid
    // until the next call.
    virtual const wchar_t* FindDirectoryPath(CAbstractConnection* connection, const wchar_t* directory,
                                             const wchar_t* name) = 0;
    virtual CAbstractConnection* CreateHttpConnection() = 0;
    virtual void DeleteHttpConnection(CAbstractConnection* connection) = 0;
    virtual CAbstractFile* CreateHttpFileObject(const wchar_t* unused, const wchar_t* url) = 0;
    virtual void DeleteHttpFileObject(CAbstractFile* file) = 0;
    // Has no effect: 1.
    virtual int Reserved(int first, int second) = 0;
    virtual CAbstractSocket* CreateSocket(CAbstractLog* log) = 0;
    virtual void DeleteSocket(CAbstractSocket* socket) = 0;
};
