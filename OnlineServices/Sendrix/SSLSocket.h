#pragma once
// CSSLSocket: the library's socket. It behaves exactly like a proxy socket
// until InitTLS; from then on it carries TLS over the connection that
// stands.
//
// Every handshake decides whether the server is trusted, once per
// connection: a certificate that verifies against the trusted authorities
// and names the host connected to passes; otherwise one whose SHA-1
// fingerprint is in the trusted-certificate store (TrustedCertificate.h) or
// in this process's list of accepted fingerprints passes; otherwise the
// certificate handler, when one was given, is asked (question
// kAskUntrustedCertificate with a CCertificateInfo; kTrustCertificateAlways
// adds the fingerprint to the accepted list, kTrustCertificateOnce trusts
// this connection and the connections that share its TLS context, as the
// data connections of an FTP session do). Any other peer is refused: the
// handshake fails.
//
// The trusted authorities are the certificate file when it exists, else
// the system's store. The file is "ClientCert.pem" in the program's folder
// unless SetCertificateFile names another: one rule for every TLS
// connection of the library. Protocols older than TLS 1.2 are refused.
//
// The handshake runs in Connect after InitTLS (explicitly) or in the first
// Send or Receive (implicitly); both decide trust. TLS reads wait at most
// the receive time-out and never wait with MSG_DONTWAIT (-1 with
// WSAEWOULDBLOCK, not logged). Failures of the TLS layer go to the log as
// events "ONLINE" 8 with the layer's text.

#include <string>

#include "OnlineServices/Sendrix/ProxySocket.h"

typedef struct ssl_st SSL;
typedef struct x509_store_ctx_st X509_STORE_CTX;

struct CCertificateInfo;

class CSSLSocket : public CProxySocket {
public:
    CSSLSocket();
    explicit CSSLSocket(CAbstractLog* log);
    ~CSSLSocket() override;

    // Without TLS: the proxy socket's Connect (the host is kept for the
    // host-name check and the server name of a later handshake). With TLS
    // set up: the handshake; 1 when it succeeded and the peer is trusted.
    int Connect(const wchar_t* host, unsigned port) override;
    // Ends TLS (close-notify after a completed handshake), then closes.
    int Close() override;
    int Send(const void* data, int length, int flags) override;
    int Receive(void* buffer, int length, int flags) override;
    // Sets up TLS over the connection: with context, that context (not
    // owned); without, a new one that trusts the certificate file or the
    // system's store. handler may be null. 1, or 0 on failure.
    int InitTLS(SSL_CTX* context, CAbstractCertificateHandler* handler) override;
    SSL_CTX* GetTLSContext() override;
    // The trusted-authority file (PEM) for the next InitTLS: 1.
    int SetCertificateFile(const wchar_t* path) override;
    // "ClientCert.pem" in the program's folder.
    static CBasicString DefaultCertificateFile();

    // The OpenSSL connection (null before InitTLS and after Close), for
    // callers that need its session.
    SSL* GetTLSConnection() { return m_ssl; }
    // 1 once a handshake has decided that the peer is trusted.
    int IsTrusted() const { return m_trusted; }
    // The peer's certificate as the handler sees it: 1, or 0 without one.
    int GetPeerCertificateInfo(CCertificateInfo& info);

    // Test hook: forgets the fingerprints accepted in this process.
    static void ForgetAcceptedCertificates();

private:
    static int VerifyCallback(int preverifyOk, X509_STORE_CTX* store);
    static void InfoCallback(const SSL* ssl, int where, int ret);
    static CSSLSocket* FromSSL(const SSL* ssl);

    // Runs the handshake when it has not run: 1 when it is done and the
    // peer trusted.
    int EnsureHandshake();
    int Handshake();
    bool DecideTrust();
    void LogErrorQueue(int line);
    void LogTLSText(const CBasicString& text, int line);
    void FreeTLS();

    SSL_CTX* m_context = nullptr;
    bool m_ownsContext = false;
    SSL* m_ssl = nullptr;
    CBasicString m_certificateFile;
    CAbstractCertificateHandler* m_handler = nullptr;
    std::string m_peerHost;
    int m_trusted = 0;
    bool m_handshakeDone = false;
    bool m_failed = false;
    int m_verifyError = 0;
    int m_verifyDepth = 0;
};
