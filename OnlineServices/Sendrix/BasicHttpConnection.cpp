#include "OnlineServices/Sendrix/BasicHttpConnection.h"

#include <cwchar>
#include <new>

#include "OnlineServices/Sendrix/AbstractProxyProfile.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"

namespace {

const char kSourceFile[] = ".\\BasicHttpConnection";

bool HasPrefixNoCase(const wchar_t* text, const wchar_t* prefix) { return wcsncasecmp(text, prefix, wcslen(prefix)) == 0; }

} // namespace

CBasicHttpConnection::CBasicHttpConnection() = default;

CBasicHttpConnection::~CBasicHttpConnection() { Disconnect(); }

int CBasicHttpConnection::IsConnected() { return m_socket && m_socket->IsValid(); }

int CBasicHttpConnection::CheckConnection() { return IsConnected(); }

int CBasicHttpConnection::GetCurrentDirectory(wchar_t* buffer, int size) {
    if (buffer && size > 0) wmemset(buffer, 0, (size_t)size);
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CBasicHttpConnection::GetProtocol() { return kConnectionProtocolHttp; }

int CBasicHttpConnection::IsRunning() { return m_connected; }

void CBasicHttpConnection::SetRunning(int running) { m_connected = running; }

int CBasicHttpConnection::GetLastError() { return 0; }

CAbstractProxyProfile* CBasicHttpConnection::GetProxyProfile() { return nullptr; }

void CBasicHttpConnection::SplitUrl(CBasicString& url, unsigned& port) {
    const wchar_t* text = url.GetString();
    int start = 0;
    port = 80;
    if (HasPrefixNoCase(text, L"https://")) {
        start = 8;
        port = 443;
    } else if (HasPrefixNoCase(text, L"http://")) {
        start = 7;
    }
    // The host and port end where the path, the query or the fragment
    // begins.
    int end = start;
    while (text[end] && text[end] != L'/' && text[end] != L'?' && text[end] != L'#') ++end;
    int colon = end;
    for (int i = start; i < end; ++i)
        if (text[i] == L':') colon = i;
    if (colon < end && colon + 1 < end) {
        unsigned given = 0;
        for (int i = colon + 1; i < end && text[i] >= L'0' && text[i] <= L'9' && given <= 65535; ++i)
            given = given * 10 + (unsigned)(text[i] - L'0');
        port = given;
    }
    url = url.Mid(start, colon - start);
}

int CBasicHttpConnection::UsesTls(const wchar_t* url, unsigned port) {
    return port == 443 || (url && HasPrefixNoCase(url, L"https://"));
}

DWORD CBasicHttpConnection::HttpStatusError(long status) {
    switch (status) {
    case 404:
    case 410: return ERROR_FILE_NOT_FOUND;
    case 401:
    case 403:
    case 407: return ERROR_ACCESS_DENIED;
    default: return ERROR_OPEN_FAILED;
    }
}

int CBasicHttpConnection::Connect(CAbstractProxyProfile* proxyProfile, const wchar_t* url) {
    bool usable = url != nullptr && *url != 0;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    m_url = url;
    unsigned port = 80;
    SplitUrl(m_url, port);
    ReportAssertion(m_socket == nullptr, kSourceFile, __LINE__);
    Disconnect();

    m_socket = new (std::nothrow) CSSLSocket(GetLibraryLog());
    if (!m_socket) return 0;
    // A plain request through an HTTP proxy is handed to the proxy to
    // forward: proxies commonly tunnel only to the TLS port.
    m_forwarding = proxyProfile && proxyProfile->GetKind() == kProxyHttp && proxyProfile->GetHost() &&
                   *proxyProfile->GetHost() && proxyProfile->GetPort() > 0 && !UsesTls(url, port);
    m_proxyAuthorization.clear();
    CBasicString peer = m_url;
    unsigned peerPort = port;
    if (m_forwarding) {
        peer = proxyProfile->GetHost();
        peerPort = (unsigned)proxyProfile->GetPort();
        if (proxyProfile->GetAuthentication() &&
            !CProxySocket::BasicCredentials(ToNarrowText(proxyProfile->GetUserName()),
                                            ToNarrowText(proxyProfile->GetPassword()), m_proxyAuthorization))
            m_proxyAuthorization.clear();
    } else if (proxyProfile) {
        m_socket->SetProxy(proxyProfile);
    }
    if ((!m_socket->IsValid() && !m_socket->Create(0, SOCK_STREAM, nullptr)) ||
        !m_socket->Connect(peer.GetString(), peerPort)) {
        m_socket->Close();
        return 0;
    }
    if (UsesTls(url, port)) {
        // The handshake runs here, so that an untrusted server fails the
        // connection.
        // A refused peer is logged by the socket; it is no broken invariant.
        bool secured = m_socket->InitTLS(nullptr, nullptr) && m_socket->Connect(nullptr, 0);
        if (!secured) {
            m_socket->Close();
            return 0;
        }
    }
    m_connected = 1;
    return 1;
}

int CBasicHttpConnection::Disconnect() {
    delete m_socket;
    m_socket = nullptr;
    m_connected = 0;
    return 1;
}
