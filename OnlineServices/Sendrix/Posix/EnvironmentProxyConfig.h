#pragma once
// The system's proxy settings on Linux: the proxy environment variables.
//
// - http_proxy, https_proxy and all_proxy (the lower-case name first, then
//   the upper-case one) become the user's proxy list "http=host:port",
//   "https=host:port" and a bare "host:port". A proxy set there is enabled
//   by being set.
// - A variable's value is a proxy address, "http://[user:password@]host:port/"
//   or "[user:password@]host:port"; the credentials stay in the entry (they
//   are the proxy's, percent-encoded as in the variable). Proxies of other
//   schemes (SOCKS, a TLS proxy) are left out: discovered proxies are
//   spoken to with HTTP.
// - no_proxy (or NO_PROXY) becomes the bypass list: hosts and domains that
//   are reached directly ("*" for all of them).
// - There is no machine-wide default besides the environment, and proxy
//   scripts and automatic detection are not available: both report failure.

#include <string>

#include "OnlineServices/Sendrix/AbstractSystemProxyConfig.h"

class CEnvironmentProxyConfig : public CAbstractSystemProxyConfig {
public:
    BOOL GetUserProxyConfig(SYSTEM_PROXY_CONFIG& config) override;
    BOOL GetDefaultProxyList(CBasicString& proxyList) override;
    BOOL GetProxyForUrl(const wchar_t* url, const wchar_t* scriptUrl, CBasicString& proxyList) override;

    // "[user:password@]host:port" (or "host") of a proxy address; empty for
    // an address of another scheme or without a host.
    static std::string ProxyAddressOf(const std::string& value);
};
