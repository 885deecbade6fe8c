#pragma once
// CBasicHttpConnection: the connection of one HTTP request. It owns one
// socket, goes through the proxy of the profile it is given and speaks TLS
// for https URLs and for port 443, trusting the authorities of
// "ClientCert.pem" in the program's folder (or, without that file, the
// system's); an untrusted server is refused. A plain http request through
// an HTTP proxy is not tunnelled: it goes to the proxy, which forwards it
// (the request then names the whole URL and carries the proxy's
// credentials).

#include <string>

#include "OnlineServices/Sendrix/AbstractHttpConnection.h"
#include "utility/BasicString.h"

class CSSLSocket;

class CBasicHttpConnection : public CAbstractHttpConnection {
public:
    CBasicHttpConnection();
    ~CBasicHttpConnection() override;
    CBasicHttpConnection(const CBasicHttpConnection&) = delete;
    CBasicHttpConnection& operator=(const CBasicHttpConnection&) = delete;

    // 1 while a socket is held and valid.
    int IsConnected() override;
    int CheckConnection() override;
    // No meaning for HTTP: an empty text, 0.
    int GetCurrentDirectory(wchar_t* buffer, int size) override;
    // kConnectionProtocolHttp.
    int GetProtocol() override;
    // The connected flag.
    int IsRunning() override;
    void SetRunning(int running) override;
    int GetLastError() override;
    CAbstractProxyProfile* GetProxyProfile() override;
    int Connect(CAbstractProxyProfile* proxyProfile, const wchar_t* url) override;
    // Deletes the socket (closing it): 1.
    int Disconnect() override;

    // The socket of the connection (null while not connected).
    CSSLSocket* GetSocket() { return m_socket; }
    // True when the request goes to an HTTP proxy that forwards it.
    bool ThroughForwardingProxy() const { return m_forwarding; }
    // The Base64 Basic credentials for that proxy; empty without any.
    const std::string& GetProxyAuthorization() const { return m_proxyAuthorization; }

    // Reduces url to its host and gives the port: the one written after the
    // host, else 443 for "https://", else 80. A ':' in the path or the query
    // is no port.
    static void SplitUrl(CBasicString& url, unsigned& port);
    // 1 when a request to url (on port) goes through TLS: every https URL,
    // and port 443 whatever the scheme.
    static int UsesTls(const wchar_t* url, unsigned port);
    // The last error of an HTTP file for a reply status other than 200:
    // ERROR_FILE_NOT_FOUND for 404 and 410, ERROR_ACCESS_DENIED for 401,
    // 403 and 407, ERROR_OPEN_FAILED for any other.
    static DWORD HttpStatusError(long status);

private:
    CSSLSocket* m_socket = nullptr;
    CBasicString m_url;
    int m_connected = 0;
    bool m_forwarding = false;
    std::string m_proxyAuthorization;
};
