#include "OnlineServices/Sendrix/OnlineFactories.h"

#include <new>

#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/BasicHttpConnection.h"
#include "OnlineServices/Sendrix/BasicHttpFile.h"
#include "OnlineServices/Sendrix/OnlineModule.h"
#include "OnlineServices/Sendrix/SFtpConnection.h"
#include "OnlineServices/Sendrix/SFtpFile.h"
#include "OnlineServices/Sendrix/SFtpFileFind.h"
#include "OnlineServices/Sendrix/SMTPEmail.h"

CAbstractOnlineModule* NewOnlineModule() { return new (std::nothrow) COnlineModule(); }

CAbstractFile* NewHttpFile(const wchar_t* url) { return new (std::nothrow) CBasicHttpFile(url); }

CAbstractConnection* NewHttpConnection() { return new (std::nothrow) CBasicHttpConnection(); }

CAbstractEmail* NewEmail(CAbstractLog* log) { return new (std::nothrow) CSMTPEmail(log); }

CAbstractConnection* NewSFtpConnection(CAbstractOnlineProfile* profile, CAbstractProxyProfile* proxyProfile,
                                       CAbstractLog* log, CAbstractCertificateHandler* handler) {
    return new (std::nothrow) CSFtpConnection(profile, proxyProfile, log, handler);
}

CAbstractFile* NewSFtpFile(CAbstractConnection* connection, const wchar_t* path) {
    return new (std::nothrow) CSFtpFile(connection, 0, path);
}

CAbstractFileFind* NewSFtpFileFind(CAbstractConnection* connection) {
    return new (std::nothrow) CSFtpFileFind(connection);
}

int RenameSFtpFile(CAbstractConnection* connection, const wchar_t* oldName, const wchar_t* newName) {
    CAbstractFtpConnection* ftp = dynamic_cast<CAbstractFtpConnection*>(connection);
    CSFtpConnection* sftp = ftp ? ftp->AsSFtpConnection() : nullptr;
    return sftp ? sftp->Rename(oldName, newName) : 0;
}
