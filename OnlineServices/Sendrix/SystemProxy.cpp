#include "OnlineServices/Sendrix/SystemProxy.h"

#include <arpa/inet.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <mutex>

#include "OnlineServices/Sendrix/AbstractSystemProxyConfig.h"
#include "OnlineServices/Sendrix/Posix/EnvironmentProxyConfig.h"
#include "OnlineServices/Sendrix/TextConversion.h"
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
CBasicString g_bypass;
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

// The host of a URL: after "scheme://" and any "user@", up to its port,
// path or query.
CBasicString HostOfUrl(const wchar_t* url) {
    CBasicString text = url ? url : L"";
    int scheme = text.Find(L"://");
    if (scheme >= 0) text = text.MidToEnd(scheme + 3);
    int end = 0;
    while (end < text.GetLength() && wcschr(L"/?#", text.GetAt(end)) == nullptr) ++end;
    text = text.Left(end);
    int at = text.ReverseFind(L'@');
    if (at >= 0) text = text.MidToEnd(at + 1);
    if (!text.IsEmpty() && text.GetAt(0) == L'[') {
        int close = text.FindChar(L']');
        return close > 0 ? text.Mid(1, close - 1) : text;
    }
    int colon = text.FindChar(L':');
    return colon >= 0 ? text.Left(colon) : text;
}

// The value of a %XX-encoded text.
CBasicString PercentDecoded(const CBasicString& text) {
    std::string bytes;
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t ch = text.GetAt(i);
        if (ch == L'%' && i + 2 < text.GetLength() && iswxdigit(text.GetAt(i + 1)) && iswxdigit(text.GetAt(i + 2))) {
            wchar_t hex[3] = {text.GetAt(i + 1), text.GetAt(i + 2), 0};
            bytes += (char)wcstol(hex, nullptr, 16);
            i += 2;
        } else {
            const wchar_t one[2] = {ch, 0};
            bytes += ToNarrowText(one);
        }
    }
    return FromNarrowText(bytes);
}

// An entry's proxy ("[user:password@]host:port") as a choice: false
// without a host and a port.
bool ChoiceOfEntry(const CBasicString& entry, SystemProxyChoice& choice) {
    int equals = entry.FindChar(L'=');
    CBasicString proxy = equals >= 0 ? entry.MidToEnd(equals + 1) : entry;
    int at = proxy.ReverseFind(L'@');
    CBasicString credentials = at >= 0 ? proxy.Left(at) : CBasicString();
    if (at >= 0) proxy = proxy.MidToEnd(at + 1);
    unsigned port = PortOfEntry(proxy);
    if (port == 0) return false;
    choice = SystemProxyChoice();
    choice.host = proxy.Left(proxy.FindChar(L':'));
    choice.port = port;
    int colon = credentials.FindChar(L':');
    choice.userName = PercentDecoded(colon >= 0 ? credentials.Left(colon) : credentials);
    if (colon >= 0) choice.password = PercentDecoded(credentials.MidToEnd(colon + 1));
    return true;
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

// The bytes of an IPv4 or IPv6 address text (4 or 16 of them); 0 when the
// text is no address.
int AddressBytes(const CBasicString& text, unsigned char bytes[16]) {
    std::string narrow = ToNarrowText(text.GetString());
    if (inet_pton(AF_INET, narrow.c_str(), bytes) == 1) return 4;
    if (inet_pton(AF_INET6, narrow.c_str(), bytes) == 1) return 16;
    return 0;
}

// True when host is an address inside the range "address/prefix".
bool InAddressRange(const CBasicString& host, const CBasicString& range) {
    int slash = range.FindChar(L'/');
    unsigned char network[16], address[16];
    int size = AddressBytes(range.Left(slash), network);
    if (size == 0 || AddressBytes(host, address) != size) return false;
    CBasicString bits = range.MidToEnd(slash + 1);
    if (bits.IsEmpty() || bits.GetLength() > 3) return false;
    int prefix = 0;
    for (int i = 0; i < bits.GetLength(); ++i) {
        if (bits.GetAt(i) < L'0' || bits.GetAt(i) > L'9') return false;
        prefix = prefix * 10 + (bits.GetAt(i) - L'0');
    }
    if (prefix > size * 8) return false;
    for (int i = 0; i < size && prefix > 0; ++i, prefix -= 8) {
        unsigned char mask = prefix >= 8 ? 0xFF : (unsigned char)(0xFF << (8 - prefix));
        if ((network[i] & mask) != (address[i] & mask)) return false;
    }
    return true;
}

} // namespace

void SetSystemProxyConfig(CAbstractSystemProxyConfig* config) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_config = config ? config : &g_environment;
}

void ResetSystemProxy() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.clear();
    g_bypass.Empty();
    g_host.Empty();
    g_port = 0;
    g_discovered = 0;
}

void GetSystemProxy(const wchar_t* url, ProxyEntrySet& entries, CBasicString& host, unsigned& port) {
    SystemProxyChoice choice;
    GetSystemProxy(url, entries, choice);
    host = choice.host;
    port = choice.port;
}

void GetSystemProxy(const wchar_t* url, ProxyEntrySet& entries, SystemProxyChoice& choice) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_discovered) {
        DetectProxy(url);
        g_discovered = 1;
    }
    choice = SystemProxyChoice();
    entries.clear();
    CBasicString entry;
    if (g_host.IsEmpty() || BypassesProxy(g_bypass, HostOfUrl(url))) return;
    if (!PickProxyEntryForUrl(g_entries, url, entry) || !ChoiceOfEntry(entry, choice)) return;
    entries = g_entries;
}

int PickProxyEntryForUrl(const ProxyEntrySet& entries, const wchar_t* url, CBasicString& out) {
    const wchar_t* scheme = url && wcsncasecmp(url, L"https://", 8) == 0 ? L"https=" : L"http=";
    SystemProxyChoice unused;
    for (const CBasicString& entry : entries)
        if (wcsncmp(entry.GetString(), scheme, wcslen(scheme)) == 0 && ChoiceOfEntry(entry, unused)) {
            out = entry;
            return 1;
        }
    for (const CBasicString& entry : entries)
        if (entry.FindChar(L'=') < 0 && ChoiceOfEntry(entry, unused)) {
            out = entry;
            return 1;
        }
    // A proxy of the other scheme is not taken: with only an http proxy
    // set, https goes direct.
    return 0;
}

bool BypassesProxy(const CBasicString& bypassList, const CBasicString& host) {
    if (host.IsEmpty()) return false;
    CBasicString list = bypassList;
    list.Replace(L';', L',');
    int start = 0;
    while (start <= list.GetLength()) {
        int comma = list.FindCharFrom(L',', start);
        if (comma < 0) comma = list.GetLength();
        CBasicString item = list.Mid(start, comma - start);
        item.TrimLeft();
        item.TrimRight();
        start = comma + 1;
        if (item.Compare(L"*") == 0) return true;
        if (item.FindChar(L'/') >= 0) {
            if (InAddressRange(host, item)) return true;
            continue;
        }
        if (!item.IsEmpty() && item.GetAt(0) == L'.') item = item.MidToEnd(1);
        int colon = item.FindChar(L':');
        if (colon >= 0 && item.FindCharFrom(L':', colon + 1) < 0) item = item.Left(colon);
        if (item.IsEmpty()) continue;
        if (host.CompareNoCase(item.GetString()) == 0) return true;
        int suffix = host.GetLength() - item.GetLength();
        if (suffix > 0 && host.GetAt(suffix - 1) == L'.' &&
            host.MidToEnd(suffix).CompareNoCase(item.GetString()) == 0)
            return true;
    }
    return false;
}

int DetectProxy(const wchar_t* url) {
    ReportAssertion(url != nullptr, kSourceFile, __LINE__);
    if (!url) return 0;
    ProxyEntrySet* entries = DiscoverSystemProxy(url);
    if (!entries || entries->empty()) return 0;
    CBasicString chosen;
    if (!PickProxyEntry(entries, chosen)) return 0;
    SystemProxyChoice choice;
    if (!ChoiceOfEntry(chosen, choice)) return 0;
    g_host = choice.host;
    g_port = choice.port;
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
        SystemProxyChoice choice;
        if (!ChoiceOfEntry(proxy, choice)) continue;
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

    g_bypass = haveUser ? user.bypassList : CBasicString();
    if (!list.IsEmpty()) {
        SplitProxyList(list, g_entries);
        return &g_entries;
    }
    if (CAbstractLog* log = GetLibraryLog())
        log->LogFormat(kLogSource, __LINE__, 1, L"Failed to determine proxy settings for URL: %s", url);
    return nullptr;
}
