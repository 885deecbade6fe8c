#pragma once
// CProxySocket: a socket that makes its outgoing connection through a proxy
// taken from a proxy profile (SetProxy): HTTP CONNECT with Basic
// credentials, SOCKS 4, SOCKS 4a or SOCKS 5 with user name and password.
// After a successful Connect the socket carries the tunnelled stream.
// Without a proxy (kinds 0 and 1) every operation is the plain socket's.
// Listening through a proxy is not supported.
//
// Events of category "ONLINE" (to the socket's log sink):
//   16 connecting through the proxy (argument "host:port" of the proxy)
//    8 the HTTP proxy refused the CONNECT (argument its status line)
//  -26 SOCKS 5 credentials not accepted     -27 SOCKS 5 wants credentials, none set
//  -28 SOCKS 5 accepts no offered method    -29 SOCKS 4 target name not resolvable here
//  -30 the proxy cannot be reached, or the peer name was asked without a target
//  -31 any other handshake failure

#include <cstdint>
#include <string>

#include "OnlineServices/Sendrix/AbstractProxyProfile.h"
#include "OnlineServices/Sendrix/BasicSocket.h"

class CProxySocket : public CBasicSocket {
public:
    CProxySocket();
    explicit CProxySocket(CAbstractLog* log);
    ~CProxySocket() override;

    // Through the proxy: the proxy is connected to and asked for a tunnel to
    // host:port. A target name that does not resolve here is handed to the
    // proxy (except by SOCKS 4, which cannot carry names).
    int Connect(const wchar_t* host, unsigned port) override;
    // Forgets the proxy and the target (a later Connect goes direct unless
    // SetProxy is called again), then closes.
    int Close() override;
    int Listen(int backlog) override;
    // Through a proxy: the target's address and port.
    int GetPeerName(CBasicString& addressText, int& port) override;
    // Takes the proxy of a profile whose kind is a proxy (2 to 5).
    void SetProxy(CAbstractProxyProfile* profile) override;

    // "user:password" (UTF-8) as the Base64 text of a Basic authorization,
    // on one line: false when it cannot be coded.
    static bool BasicCredentials(const std::string& user, const std::string& password, std::string& out);
    virtual int AcceptProxied(CAbstractSocket* target, sockaddr* address, int* addressLength);

    int GetProxyKind() const { return m_kind; }

private:
    bool IsDirect() const { return m_kind == kProxyNone || m_kind == kProxyDirect; }
    void ForgetProxy();
    int HandshakeHttpConnect();
    int HandshakeSocks4();
    int HandshakeSocks5();
    int Socks5Credentials();
    bool SendAll(const std::string& bytes);
    bool ReceiveExactly(void* buffer, int length);
    // Logs an "ONLINE" event; returns 0 (the failed handshake's result).
    int Refuse(int code, int line);
    void WriteUnsupported(int line);
    std::string TargetHostText() const;

    std::string m_targetHost;
    uint32_t m_targetAddress = 0;  // network order; 0 when the name did not resolve here
    uint16_t m_targetPort = 0;     // network order
    int m_pending = 0;             // 0 none, 1 connect, 2 bind
    std::string m_proxyHost;
    std::string m_proxyUser;
    std::string m_proxyPassword;
    int m_proxyPort = 0;
    int m_authenticate = 0;
    int m_kind = kProxyNone;
};
