#pragma once
// CAbstractFtpConnection: a connection that files and finders transfer
// through, either an FTP one or an SFTP one. Its GetProxyProfile gives the
// FTP proxy profile (CAbstractFtpProxyProfile) or null.

#include "OnlineServices/Sendrix/AbstractConnection.h"

class CFtpConnection;
class CSFtpConnection;

class CAbstractFtpConnection : public CAbstractConnection {
public:
    // The connection itself when it is of that kind, else null.
    virtual CFtpConnection* AsFtpConnection() = 0;
    virtual CSFtpConnection* AsSFtpConnection() = 0;
};
