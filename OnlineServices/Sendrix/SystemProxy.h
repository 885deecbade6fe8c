#pragma once
// Proxy discovery: finds the proxy that the user's system settings prescribe,
// so that the HTTP client can tunnel through it without settings of its own.
// Discovery runs once per process (the first caller's URL decides; two
// threads that ask at the same moment get one discovery and one answer) and
// every later request reuses the answer, whatever its URL; no bypass list is
// applied.
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

// The discovered proxy: the entries found (empty when no usable proxy was
// found), the chosen host and port (empty and 0 then). Discovers on the
// first call of the process.
void GetSystemProxy(const wchar_t* url, ProxyEntrySet& entries, CBasicString& host, unsigned& port);

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
