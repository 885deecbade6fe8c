#pragma once
// CAbstractProxyProfile: the proxy settings a socket connects through (kind,
// host, port, credentials), which a proxy socket takes with SetProxy. The
// profile can fill itself from the system's proxy settings.

#include "OnlineServices/Sendrix/ProxyEntrySet.h"

// Proxy kinds.
constexpr int kProxyNone = 0;
constexpr int kProxyDirect = 1;
constexpr int kProxyHttp = 2;     // HTTP CONNECT
constexpr int kProxySocks4 = 3;
constexpr int kProxySocks4a = 4;
constexpr int kProxySocks5 = 5;

class CAbstractProxyProfile {
public:
    virtual ~CAbstractProxyProfile() {}

    virtual int GetKind() = 0;
    virtual void SetKind(int kind) = 0;
    virtual const wchar_t* GetHost() = 0;
    virtual void SetHost(const wchar_t* host) = 0;
    virtual int GetPort() = 0;
    virtual void SetPort(int port) = 0;
    virtual const wchar_t* GetUserName() = 0;
    virtual void SetUserName(const wchar_t* userName) = 0;
    virtual const wchar_t* GetPassword() = 0;
    virtual void SetPassword(const wchar_t* password) = 0;
    // Non-zero: the credentials are sent to the proxy.
    virtual int GetAuthentication() = 0;
    virtual void SetAuthentication(int authenticate) = 0;
    // Takes the proxy that the system's settings give for url (SystemProxy.h):
    // the entries found, or null when there is none.
    virtual ProxyEntrySet* DetectSystemProxy(const wchar_t* url) = 0;
    virtual int HasSystemProxy(const wchar_t* url) = 0;
};
