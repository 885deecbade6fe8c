#pragma once
// COnlineModule: the library's factory object (see CAbstractOnlineModule).
// FTP or SFTP is chosen by the profile's protocol (4 is SFTP).

#include "OnlineServices/Sendrix/AbstractOnlineModule.h"
#include "utility/BasicString.h"

class COnlineModule : public CAbstractOnlineModule {
public:
    COnlineModule();
    ~COnlineModule() override;

    CAbstractConnection* CreateFtpConnection(CAbstractOnlineProfile* profile, CAbstractProxyProfile* proxyProfile,
                                             CAbstractLog* log, CAbstractCertificateHandler* handler) override;
    void DeleteFtpConnection(CAbstractConnection* connection) override;
    CAbstractFile* CreateFtpFile(CAbstractConnection* connection, const wchar_t* unused, const wchar_t* path) override;
    void DeleteFtpFile(CAbstractFile* file) override;
    CAbstractFileFind* CreateFtpFileFind(CAbstractConnection* connection) override;
    void DeleteFtpFileFind(CAbstractFileFind* find) override;
    int RenameFtpFile(const wchar_t* oldName, const wchar_t* newName, CAbstractConnection* connection) override;
    const wchar_t* FindDirectoryPath(CAbstractConnection* connection, const wchar_t* directory,
                                     const wchar_t* name) override;
    CAbstractConnection* CreateHttpConnection() override;
    void DeleteHttpConnection(CAbstractConnection* connection) override;
    CAbstractFile* CreateHttpFileObject(const wchar_t* unused, const wchar_t* url) override;
    void DeleteHttpFileObject(CAbstractFile* file) override;
    int Reserved(int first, int second) override { return 1; }
    CAbstractSocket* CreateSocket(CAbstractLog* log) override;
    void DeleteSocket(CAbstractSocket* socket) override;

private:
    // The search of FindDirectoryPath below one folder (no trailing '/').
    CBasicString SearchFolder(CAbstractConnection* connection, const CBasicString& directory, const wchar_t* name);

    CBasicString m_foundPath;
};
