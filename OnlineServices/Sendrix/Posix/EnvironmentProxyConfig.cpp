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
    address = address.substr(0, address.find('/'));
    size_t at = address.rfind('@');
    if (at != std::string::npos) address.erase(0, at + 1);
    if (address.empty() || address[0] == ':') return std::string();
    return address;
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
