#pragma once
// CAbstractHttpConnection: a connection to an HTTP server for one request.

#include "OnlineServices/Sendrix/AbstractConnection.h"

class CAbstractHttpConnection : public CAbstractConnection {
public:
    // Connects to the server of url (through the proxy of proxyProfile when
    // it names one): 1, or 0.
    virtual int Connect(CAbstractProxyProfile* proxyProfile, const wchar_t* url) = 0;
    // Ends the connection: 1.
    virtual int Disconnect() = 0;
};
