#pragma once
// Proxy discovery: finds the proxy that the user's system settings prescribe,
// so that the HTTP client can tunnel through it without settings of its own.
// Discovery runs once per process (the first caller's URL decides; two
// threads that ask at the same moment get one discovery and one answer) and
// every later request reuses its entries. The proxy for a URL is chosen
// from them as the proxy variables are commonly read: an "https=" entry for
// https URLs and an "http=" entry for plain http ones, else a bare entry
// (never the other scheme's: with only an http proxy, https goes direct);
// a host on the bypass list goes direct;
// "user:password@" before an entry's host are the proxy's credentials.
//
// The switch "ProxyEnable" (DWORD, default 0) lies in the user's settings
// store under SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings;
// the proxy settings themselves come from the system's proxy configuration
// (the environment on Linux, EnvironmentProxyConfig.h).
//
// Only a usable proxy is handed out: an entry needs a host and a port; when
// no entry has both, the connection stays direct.

#include "OnlineServices/Sendrix/ProxyEntrySet.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractSystemProxyConfig;

// The proxy chosen for a URL; an empty host means a direct connection.
struct SystemProxyChoice {
    CBasicString host;
    unsigned port = 0;
    CBasicString userName;  // percent-decoded; empty without credentials
    CBasicString password;
};

// The discovered proxy for url: the entries found (empty when no usable
// proxy serves url), the chosen host and port (empty and 0 then).
// Discovers on the first call of the process.
void GetSystemProxy(const wchar_t* url, ProxyEntrySet& entries, CBasicString& host, unsigned& port);
void GetSystemProxy(const wchar_t* url, ProxyEntrySet& entries, SystemProxyChoice& choice);

// The entry that serves url (by the rules above, before the bypass list):
// 0 when none does.
int PickProxyEntryForUrl(const ProxyEntrySet& entries, const wchar_t* url, CBasicString& out);

// True when host is to be reached directly by the bypass list: entries
// separated by ',' or ';' (blanks around them ignored), each a host name or
// address matched whole or a domain matched with its subdomains (a leading
// '.' allowed), a ":port" after a name ignored, or an address range
// ("10.0.0.0/8", "fd00::/8") that an address host lies in; "*" matches
// every host.
bool BypassesProxy(const CBasicString& bypassList, const CBasicString& host);

// Runs discovery and keeps the chosen entry's host and port: 1 when a
// usable proxy was found. Called by GetSystemProxy under its lock.
int DetectProxy(const wchar_t* url);

// The first entry, in set order, that serves HTTP and has a host and a
// port: a lone entry without '=' as it stands, else an entry that begins
// with "http" (so "https=" too), taking the text after its '='. 0 when no
// entry qualifies.
int PickProxyEntry(const ProxyEntrySet* entries, CBasicString& out);

// Asks the system's proxy configuration and fills the process-wide entry
// set: the set, or null (with "Failed to determine proxy settings for URL:
// %s" logged to the library-wide sink) when no proxy list was found. With
// "ProxyEnable" 0, no user proxy and no automatic configuration it ends at
// once: null, nothing logged, nothing else asked.
ProxyEntrySet* DiscoverSystemProxy(const wchar_t* url);

// The proxy list for url from the proxy script at scriptUrl, or from
// automatic detection when scriptUrl is empty; proxy is emptied first.
BOOL GetProxyForUrlWithScript(const wchar_t* url, const wchar_t* scriptUrl, CBasicString& proxy);

// Test hooks: the configuration that discovery asks (null: the system's),
// and forgetting the discovered answer so that the next call discovers
// again.
void SetSystemProxyConfig(CAbstractSystemProxyConfig* config);
void ResetSystemProxy();
