#include "OnlineServices/Sendrix/OnlineFactories.h"

#include <new>

#include "OnlineServices/Sendrix/BasicHttpConnection.h"
#include "OnlineServices/Sendrix/BasicHttpFile.h"
#include "OnlineServices/Sendrix/OnlineModule.h"
#include "OnlineServices/Sendrix/SMTPEmail.h"

CAbstractOnlineModule* NewOnlineModule() { return new (std::nothrow) COnlineModule(); }

CAbstractFile* NewHttpFile(const wchar_t* url) { return new (std::nothrow) CBasicHttpFile(url); }

CAbstractConnection* NewHttpConnection() { return new (std::nothrow) CBasicHttpConnection(); }

CAbstractEmail* NewEmail(CAbstractLog* log) { return new (std::nothrow) CSMTPEmail(log); }

// PENDING: the SFTP client (CSFtpConnection, CSFtpFile, CSFtpFileFind) is not
// built yet. Until it exists its factories give null (and the rename 0),
// which callers already treat as a failure to make the object. Each factory
// below is replaced by `new (std::nothrow) ...` of its class (or the call
// through the SFTP connection) when that class arrives; nothing else needs to
// change.

CAbstractConnection* NewSFtpConnection(CAbstractOnlineProfile* profile, CAbstractProxyProfile* proxyProfile,
                                       CAbstractLog* log, CAbstractCertificateHandler* handler) {
    return nullptr;
}

CAbstractFile* NewSFtpFile(CAbstractConnection* connection, const wchar_t* path) { return nullptr; }

CAbstractFileFind* NewSFtpFileFind(CAbstractConnection* connection) { return nullptr; }

int RenameSFtpFile(CAbstractConnection* connection, const wchar_t* oldName, const wchar_t* newName) { return 0; }
