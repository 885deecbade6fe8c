#include "OnlineServices/Sendrix/Posix/EnvironmentProxyConfig.h"

#include <cstdlib>
#include <strings.h>

#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/Posix/SystemError.h"

namespace {

struct ProxyVariable {
    const char* prefix;  // of the list entry
    const char* lowerName;
    const char* upperName;
};

const ProxyVariable kProxyVariables[] = {
    {"http=", "http_proxy", "HTTP_PROXY"},
    {"https=", "https_proxy", "HTTPS_PROXY"},
    {"", "all_proxy", "ALL_PROXY"},
};

const char* VariableValue(const ProxyVariable& variable) {
    const char* value = getenv(variable.lowerName);
    if (!value || !*value) value = getenv(variable.upperName);
    return value && *value ? value : nullptr;
}

} // namespace

std::string CEnvironmentProxyConfig::ProxyAddressOf(const std::string& value) {
    std::string address = value;
    size_t scheme = address.find("://");
    if (scheme != std::string::npos) {
        if (strncasecmp(address.c_str(), "http://", 7) != 0) return std::string();
        address.erase(0, scheme + 3);
    }
    // The host part follows the last '@' before the path.
    size_t lastAt = address.rfind('@');
    std::string authority = address.substr(0, address.find('/', lastAt == std::string::npos ? 0 : lastAt));
    size_t at = authority.rfind('@');
    std::string credentials = at == std::string::npos ? std::string() : authority.substr(0, at + 1);
    std::string host = at == std::string::npos ? authority : authority.substr(at + 1);
    if (host.empty() || host[0] == ':') return std::string();
    return credentials + host;
}

BOOL CEnvironmentProxyConfig::GetUserProxyConfig(SYSTEM_PROXY_CONFIG& config) {
    config = SYSTEM_PROXY_CONFIG();
    std::string list;
    for (const ProxyVariable& variable : kProxyVariables) {
        const char* value = VariableValue(variable);
        if (!value) continue;
        std::string address = ProxyAddressOf(value);
        if (address.empty()) continue;
        if (!list.empty()) list += ';';
        list += variable.prefix + address;
    }
    config.proxyList = FromNarrowText(list);
    const char* bypass = getenv("no_proxy");
    if (!bypass || !*bypass) bypass = getenv("NO_PROXY");
    if (bypass) config.bypassList = FromNarrowText(bypass);
    return TRUE;
}

BOOL CEnvironmentProxyConfig::GetDefaultProxyList(CBasicString& proxyList) {
    proxyList.Empty();
    SetLastError(ERROR_NOT_FOUND);
    return FALSE;
}

BOOL CEnvironmentProxyConfig::GetProxyForUrl(const wchar_t* url, const wchar_t* scriptUrl, CBasicString& proxyList) {
    proxyList.Empty();
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
