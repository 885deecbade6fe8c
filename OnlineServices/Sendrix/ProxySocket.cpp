#include "OnlineServices/Sendrix/ProxySocket.h"

#include <arpa/inet.h>

#include <cstring>
#include <vector>

#include "OnlineServices/Sendrix/Posix/HostResolver.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/Base64Coding.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\ProxySocket";
const wchar_t kLogSource[] = L".\\ProxySocket";
const wchar_t kOnline[] = L"ONLINE";

constexpr size_t kHttpBufferSize = 4096;
constexpr unsigned char kSocks4Granted = 0x5A;

void AppendPort(std::string& out, uint16_t networkPort) {
    out.append(reinterpret_cast<const char*>(&networkPort), 2);
}

void AppendAddress(std::string& out, uint32_t networkAddress) {
    out.append(reinterpret_cast<const char*>(&networkAddress), 4);
}

std::string DottedText(uint32_t networkAddress) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&networkAddress);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
}

} // namespace

// Basic credentials in one Base64 line (a broken line would end the header).
bool CProxySocket::BasicCredentials(const std::string& user, const std::string& password, std::string& out) {
    std::string plain = user + ":" + password;
    std::vector<char> coded((size_t)CBase64Coding::GetEncodedSize((long long)plain.size(), 1));
    CBase64Coding coder;
    if (!coder.Encode(plain.data(), (int)plain.size(), coded.data(), 1)) return false;
    out = coded.data();
    return true;
}

CProxySocket::CProxySocket() = default;

CProxySocket::CProxySocket(CAbstractLog* log) : CBasicSocket(log) {}

CProxySocket::~CProxySocket() = default;

int CProxySocket::Refuse(int code, int line) {
    if (GetLog()) GetLog()->LogEvent(code, kOnline, kLogSource, line);
    return 0;
}

void CProxySocket::WriteUnsupported(int line) {
    if (GetLog())
        GetLog()->WriteSourceMessage(L"Listening on proxy protocol is not handled at the moment.", kLogSource, line);
}

void CProxySocket::SetProxy(CAbstractProxyProfile* profile) {
    if (!profile) return;
    int kind = profile->GetKind();
    if (kind == kProxyNone || kind == kProxyDirect) return;
    m_proxyHost = ToNarrowText(profile->GetHost());
    m_proxyUser = ToNarrowText(profile->GetUserName());
    m_proxyPassword = ToNarrowText(profile->GetPassword());
    m_proxyPort = profile->GetPort();
    m_authenticate = profile->GetAuthentication();
    m_kind = kind;
}

void CProxySocket::ForgetProxy() {
    m_targetHost.clear();
    m_targetAddress = 0;
    m_targetPort = 0;
    m_pending = 0;
    m_proxyHost.clear();
    m_proxyUser.clear();
    m_proxyPassword.clear();
    m_proxyPort = 0;
    m_authenticate = 0;
    m_kind = kProxyNone;
}

int CProxySocket::Close() {
    ForgetProxy();
    return CBasicSocket::Close();
}

int CProxySocket::Listen(int backlog) {
    if (IsDirect()) return CBasicSocket::Listen(backlog);
    m_pending = 2;
    WriteUnsupported(__LINE__);
    return 0;
}

int CProxySocket::AcceptProxied(CAbstractSocket* target, sockaddr* address, int* addressLength) {
    if (IsDirect()) return CBasicSocket::Accept(target, address, addressLength);
    WriteUnsupported(__LINE__);
    return 0;
}

int CProxySocket::GetPeerName(CBasicString& addressText, int& port) {
    if (IsDirect()) return CBasicSocket::GetPeerName(addressText, port);
    if (m_targetAddress == 0 || m_targetPort == 0) {
        Refuse(-30, __LINE__);
        SetSocketError(WSAENOTCONN);
        return 0;
    }
    if (!CBasicSocket::GetPeerName(addressText, port)) return 0;
    addressText = FromNarrowText(DottedText(m_targetAddress));
    port = ntohs(m_targetPort);
    return 1;
}

std::string CProxySocket::TargetHostText() const {
    return m_targetHost.empty() ? DottedText(m_targetAddress) : m_targetHost;
}

int CProxySocket::Connect(const wchar_t* host, unsigned port) {
    if (IsDirect()) return CBasicSocket::Connect(host, port);
    bool usable = host != nullptr && port <= 65535;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;

    if (GetLog()) {
        CBasicString proxy = FromNarrowText(m_proxyHost);
        CBasicString where;
        where.Format(L"%s:%d", proxy.GetString(), m_proxyPort);
        GetLog()->LogEventFormat(kLogSource, __LINE__, kOnline, 16, where.GetString());
    }

    m_targetHost = ToNarrowText(host);
    if (!ResolveHostAddress(m_targetHost.c_str(), &m_targetAddress)) {
        m_targetAddress = 0;
        if (m_kind == kProxySocks4) {
            Refuse(-29, __LINE__);
            SetSocketError(WSAEINVAL);
            return 0;
        }
    }
    m_targetPort = htons((uint16_t)port);

    CBasicString proxyHost = FromNarrowText(m_proxyHost);
    if (!CBasicSocket::Connect(proxyHost.GetString(), (unsigned)m_proxyPort)) return Refuse(-30, __LINE__);

    m_pending = 1;
    int result;
    switch (m_kind) {
    case kProxyHttp: result = HandshakeHttpConnect(); break;
    case kProxySocks4:
    case kProxySocks4a: result = HandshakeSocks4(); break;
    case kProxySocks5: result = HandshakeSocks5(); break;
    default:
        ReportAssertion(0, kSourceFile, __LINE__);
        result = 0;
        break;
    }
    m_pending = 0;
    return result;
}

bool CProxySocket::SendAll(const std::string& bytes) {
    return Send(bytes.data(), (int)bytes.size(), 0) == (int)bytes.size();
}

bool CProxySocket::ReceiveExactly(void* buffer, int length) {
    char* bytes = static_cast<char*>(buffer);
    int got = 0;
    while (got < length) {
        int received = Receive(bytes + got, length - got, 0);
        if (received <= 0) return false;
        got += received;
    }
    return true;
}

int CProxySocket::HandshakeHttpConnect() {
    ReportAssertion(m_pending == 1, kSourceFile, __LINE__);
    if (m_pending != 1) return 0;
    std::string target = TargetHostText() + ":" + std::to_string(ntohs(m_targetPort));
    std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (m_authenticate) {
        std::string credentials;
        if (!BasicCredentials(m_proxyUser, m_proxyPassword, credentials)) return Refuse(-31, __LINE__);
        // The credentials are the proxy's: they go to it alone.
        request += "Proxy-Authorization: Basic " + credentials + "\r\n";
    }
    request += "\r\n";
    if (request.size() > kHttpBufferSize || !SendAll(request)) return Refuse(-31, __LINE__);

    // The reply head is read up to its empty line and no further, so that
    // nothing of the tunnelled stream is taken.
    char reply[kHttpBufferSize];
    size_t got = 8;
    if (!ReceiveExactly(reply, (int)got)) return Refuse(-31, __LINE__);
    bool statusChecked = false;
    for (;;) {
        if (memcmp(reply, "HTTP/", got < 5 ? got : 5) != 0) return Refuse(-31, __LINE__);
        if (!statusChecked) {
            std::string head(reply, got);
            size_t lineEnd = head.find("\r\n");
            if (lineEnd != std::string::npos) {
                statusChecked = true;
                std::string statusLine = head.substr(0, lineEnd);
                size_t blank = statusLine.find(' ');
                if (blank == std::string::npos || blank + 1 >= statusLine.size() || statusLine[blank + 1] != '2') {
                    Refuse(-31, __LINE__);
                    if (GetLog())
                        GetLog()->LogEventFormat(kLogSource, __LINE__, kOnline, 8,
                                                 FromNarrowText(statusLine).GetString());
                    return 0;
                }
            }
        }
        if (statusChecked && got > 3 && memcmp(reply + got - 4, "\r\n\r\n", 4) == 0) return 1;
        if (got >= sizeof reply) return Refuse(-31, __LINE__);
        if (!ReceiveExactly(reply + got, 1)) return Refuse(-31, __LINE__);
        ++got;
    }
}

int CProxySocket::HandshakeSocks4() {
    ReportAssertion(m_pending != 0, kSourceFile, __LINE__);
    if (m_pending == 0) return 0;
    std::string request;
    request += (char)4;
    request += (char)(m_pending == 2 ? 2 : 1);
    AppendPort(request, m_targetPort);
    if (m_targetAddress != 0) {
        AppendAddress(request, m_targetAddress);
        request += '\0';
    } else {
        bool named = m_kind == kProxySocks4a && !m_targetHost.empty();
        ReportAssertion(named, kSourceFile, __LINE__);
        if (!named) return Refuse(-31, __LINE__);
        // SOCKS 4a: the address 0.0.0.1 asks the proxy to resolve the name.
        request.append("\0\0\0\1", 4);
        request += '\0';
        request += m_targetHost;
        request += '\0';
    }
    if (!SendAll(request)) return Refuse(-31, __LINE__);
    unsigned char reply[8];
    if (!ReceiveExactly(reply, sizeof reply)) return Refuse(-31, __LINE__);
    if (m_pending == 2 || reply[0] != 0 || reply[1] != kSocks4Granted) return Refuse(-31, __LINE__);
    return 1;
}

int CProxySocket::Socks5Credentials() {
    bool fits = m_proxyUser.size() < 256 && m_proxyPassword.size() < 256;
    ReportAssertion(fits, kSourceFile, __LINE__);
    if (!fits) return Refuse(-31, __LINE__);
    std::string request;
    request += (char)1;
    request += (char)m_proxyUser.size();
    request += m_proxyUser;
    request += (char)m_proxyPassword.size();
    request += m_proxyPassword;
    if (!SendAll(request)) return Refuse(-31, __LINE__);
    unsigned char reply[2];
    if (!ReceiveExactly(reply, sizeof reply)) return Refuse(-31, __LINE__);
    if (reply[0] != 1 || reply[1] != 0) return Refuse(-26, __LINE__);
    return 1;
}

int CProxySocket::HandshakeSocks5() {
    ReportAssertion(m_pending != 0, kSourceFile, __LINE__);
    if (m_pending == 0) return 0;
    // Without credentials only "no authentication" is offered; with them
    // "user name and password" comes first.
    std::string greeting = m_authenticate ? std::string("\5\2\2\0", 4) : std::string("\5\1\0", 3);
    if (!SendAll(greeting)) return 0;
    unsigned char method[2];
    if (!ReceiveExactly(method, sizeof method) || method[0] != 5) return Refuse(-31, __LINE__);
    if (method[1] == 2) {
        if (!m_authenticate) return Refuse(-27, __LINE__);
        if (!Socks5Credentials()) return 0;
    } else if (method[1] != 0) {
        return Refuse(-28, __LINE__);
    }

    std::string request("\5", 1);
    request += (char)(m_pending == 2 ? 2 : 1);
    request += '\0';
    if (m_targetAddress != 0) {
        request += (char)1;
        AppendAddress(request, m_targetAddress);
    } else {
        if (m_targetHost.empty() || m_targetHost.size() > 255) return Refuse(-31, __LINE__);
        request += (char)3;
        request += (char)m_targetHost.size();
        request += m_targetHost;
    }
    AppendPort(request, m_targetPort);
    if (!SendAll(request) || m_pending == 2) return Refuse(-31, __LINE__);

    // The reply's bound address: 4 bytes (IPv4), a length byte and the name,
    // or 16 bytes (IPv6); then the port.
    unsigned char reply[5];
    if (!ReceiveExactly(reply, sizeof reply) || reply[0] != 5 || reply[1] != 0) return Refuse(-31, __LINE__);
    int rest;
    switch (reply[3]) {
    case 1: rest = 3 + 2; break;
    case 4: rest = 15 + 2; break;
    default: rest = reply[4] + 2; break;
    }
    unsigned char bound[260];
    if (!ReceiveExactly(bound, rest)) return Refuse(-31, __LINE__);
    return 1;
}
