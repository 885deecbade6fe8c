#pragma once
// CAbstractSystemProxyConfig: where proxy discovery (SystemProxy.h) asks for
// the system's proxy settings. On Linux the environment answers
// (CEnvironmentProxyConfig); tests put in their own.

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

// The current user's proxy settings.
struct SYSTEM_PROXY_CONFIG {
    int autoDetect = 0;       // the proxy is to be found automatically
    CBasicString scriptUrl;   // address of a proxy script, or empty
    CBasicString proxyList;   // entries separated by ';', or empty
    CBasicString bypassList;  // hosts and domains reached directly, separated by ',' or ';'
};

class CAbstractSystemProxyConfig {
public:
    virtual ~CAbstractSystemProxyConfig() {}

    // TRUE when the user's settings could be read.
    virtual BOOL GetUserProxyConfig(SYSTEM_PROXY_CONFIG& config) = 0;
    // TRUE when a machine-wide default proxy list could be read.
    virtual BOOL GetDefaultProxyList(CBasicString& proxyList) = 0;
    // The proxy list that the proxy script at scriptUrl (or, with an empty
    // scriptUrl, automatic detection) gives for url: TRUE on success.
    virtual BOOL GetProxyForUrl(const wchar_t* url, const wchar_t* scriptUrl, CBasicString& proxyList) = 0;
};
