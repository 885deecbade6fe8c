#include "OnlineServices/Sendrix/SystemProxy.h"

#include <cwchar>
#include <mutex>

#include "OnlineServices/Sendrix/AbstractSystemProxyConfig.h"
#include "OnlineServices/Sendrix/Posix/EnvironmentProxyConfig.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

const char kSourceFile[] = ".\\SystemProxy";
const wchar_t kLogSource[] = L".\\SystemProxy";

// The process-wide answer, guarded by g_mutex.
std::mutex g_mutex;
ProxyEntrySet g_entries;
CBasicString g_host;
unsigned g_port = 0;
int g_discovered = 0;

CEnvironmentProxyConfig g_environment;
CAbstractSystemProxyConfig* g_config = &g_environment;

// The port of "host:port" (leading digits after the first ':'); 0 when
// there is no host, no port or no valid one.
unsigned PortOfEntry(const CBasicString& entry) {
    int colon = entry.FindChar(L':');
    if (colon <= 0) return 0;
    unsigned port = 0;
    const wchar_t* digit = entry.GetString() + colon + 1;
    for (; *digit >= L'0' && *digit <= L'9'; ++digit) {
        port = port * 10 + (unsigned)(*digit - L'0');
        if (port > 65535) return 0;
    }
    return port;
}

// The entries of a proxy list separated by ';'. A ';' at the start of the
// rest ends the splitting: that rest is one entry.
void SplitProxyList(CBasicString list, ProxyEntrySet& entries) {
    int semicolon;
    while ((semicolon = list.FindChar(L';')) > 0) {
        entries.insert(list.Left(semicolon));
        list = list.MidToEnd(semicolon + 1);
    }
    if (!list.IsEmpty()) entries.insert(list);
}

} // namespace

void SetSystemProxyConfig(CAbstractSystemProxyConfig* config) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_config = config ? config : &g_environment;
}

void ResetSystemProxy() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.clear();
    g_host.Empty();
    g_port = 0;
    g_discovered = 0;
}

void GetSystemProxy(const wchar_t* url, ProxyEntrySet& entries, CBasicString& host, unsigned& port) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_discovered) {
        DetectProxy(url);
        g_discovered = 1;
    }
    if (g_host.IsEmpty()) entries.clear();
    else entries = g_entries;
    host = g_host;
    port = g_port;
}

int DetectProxy(const wchar_t* url) {
    ReportAssertion(url != nullptr, kSourceFile, __LINE__);
    if (!url) return 0;
    ProxyEntrySet* entries = DiscoverSystemProxy(url);
    if (!entries || entries->empty()) return 0;
    CBasicString chosen;
    if (!PickProxyEntry(entries, chosen)) return 0;
    g_host = chosen.Left(chosen.FindChar(L':'));
    g_port = PortOfEntry(chosen);
    return 1;
}

int PickProxyEntry(const ProxyEntrySet* entries, CBasicString& out) {
    bool usable = entries != nullptr && !entries->empty();
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    for (const CBasicString& entry : *entries) {
        CBasicString proxy;
        if (entries->size() == 1 && entry.FindChar(L'=') < 0) {
            proxy = entry;
        } else if (wcsncmp(entry.GetString(), L"http", 4) == 0) {
            int equals = entry.FindCharFrom(L'=', 1);
            proxy = equals > 0 ? entry.MidToEnd(equals + 1) : entry;
        } else {
            continue;
        }
        if (PortOfEntry(proxy) == 0) continue;
        out = proxy;
        return 1;
    }
    return 0;
}

BOOL GetProxyForUrlWithScript(const wchar_t* url, const wchar_t* scriptUrl, CBasicString& proxy) {
    proxy.Empty();
    return g_config->GetProxyForUrl(url, scriptUrl ? scriptUrl : L"", proxy);
}

ProxyEntrySet* DiscoverSystemProxy(const wchar_t* url) {
    ReportAssertion(url != nullptr, kSourceFile, __LINE__);
    if (!url) return nullptr;
    g_entries.clear();

    CBasicRegistry internetSettings(L"Microsoft", L"Windows\\CurrentVersion", HKEY_CURRENT_USER);
    DWORD proxyEnable = internetSettings.GetDWORD(L"Internet Settings", L"ProxyEnable", 0);
    SYSTEM_PROXY_CONFIG user;
    BOOL haveUser = g_config->GetUserProxyConfig(user);
    // A proxy in the user's settings is switched on by being there.
    if (proxyEnable == 0 && haveUser && !user.autoDetect && user.proxyList.IsEmpty()) return nullptr;

    CBasicString list;
    CBasicString defaultList;
    if (g_config->GetDefaultProxyList(defaultList)) list = defaultList;

    bool automatic = false;
    CBasicString scriptUrl;
    if (list.IsEmpty() && haveUser) {
        automatic = user.autoDetect || !user.scriptUrl.IsEmpty();
        scriptUrl = user.scriptUrl;
        if (!user.proxyList.IsEmpty()) list = user.proxyList;
    }
    bool found = false;
    if (automatic && list.IsEmpty() && !scriptUrl.IsEmpty())
        found = GetProxyForUrlWithScript(url, scriptUrl.GetString(), list) != FALSE;
    if (!found && list.IsEmpty()) GetProxyForUrlWithScript(url, L"", list);

    if (!list.IsEmpty()) {
        SplitProxyList(list, g_entries);
        return &g_entries;
    }
    if (CAbstractLog* log = GetLibraryLog())
        log->LogFormat(kLogSource, __LINE__, 1, L"Failed to determine proxy settings for URL: %s", url);
    return nullptr;
}
