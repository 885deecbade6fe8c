#include "OnlineServices/Sendrix/SSLSocket.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/CertificateInfo.h"
#include "OnlineServices/Sendrix/Posix/HostResolver.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/Modules.h"
#include "utility/TrustedCertificate.h"

namespace {

const char kSourceFile[] = ".\\SSLSocket";
const wchar_t kLogSource[] = L".\\SSLSocket";
const wchar_t kOnline[] = L"ONLINE";
constexpr int kTlsMessage = 8;
constexpr int kMaxChainDepth = 10;

typedef std::array<uint8_t, 20> Fingerprint;

// The fingerprints accepted for the rest of the process.
std::mutex g_acceptedMutex;
std::vector<Fingerprint> g_accepted;

bool IsAccepted(const uint8_t* fingerprint) {
    std::lock_guard<std::mutex> lock(g_acceptedMutex);
    for (const Fingerprint& known : g_accepted)
        if (memcmp(known.data(), fingerprint, known.size()) == 0) return true;
    return false;
}

void RememberAccepted(const uint8_t* fingerprint) {
    Fingerprint value;
    memcpy(value.data(), fingerprint, value.size());
    std::lock_guard<std::mutex> lock(g_acceptedMutex);
    g_accepted.push_back(value);
}

// The fingerprints trusted once, kept with the TLS context of the
// connection that asked: connections that share the context (the data
// connections of an FTP session) trust them too.
void FreeContextFingerprints(void*, void* list, CRYPTO_EX_DATA*, int, long, void*) {
    delete static_cast<std::vector<Fingerprint>*>(list);
}

int ContextIndex() {
    static int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, FreeContextFingerprints);
    return index;
}

bool IsAcceptedForContext(SSL_CTX* context, const uint8_t* fingerprint) {
    std::lock_guard<std::mutex> lock(g_acceptedMutex);
    auto* list = static_cast<std::vector<Fingerprint>*>(SSL_CTX_get_ex_data(context, ContextIndex()));
    if (!list) return false;
    for (const Fingerprint& known : *list)
        if (memcmp(known.data(), fingerprint, known.size()) == 0) return true;
    return false;
}

void RememberForContext(SSL_CTX* context, const uint8_t* fingerprint) {
    Fingerprint value;
    memcpy(value.data(), fingerprint, value.size());
    std::lock_guard<std::mutex> lock(g_acceptedMutex);
    auto* list = static_cast<std::vector<Fingerprint>*>(SSL_CTX_get_ex_data(context, ContextIndex()));
    if (!list) {
        list = new (std::nothrow) std::vector<Fingerprint>();
        if (!list || !SSL_CTX_set_ex_data(context, ContextIndex(), list)) {
            delete list;
            return;
        }
    }
    list->push_back(value);
}

// The slot of an SSL object that points back to its socket.
int SocketIndex() {
    static int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// A socket BIO that never blocks and never raises SIGPIPE: the handle stays
// a blocking socket for everyone else, the TLS socket waits itself.
int SocketOf(BIO* bio) { return (int)(intptr_t)BIO_get_data(bio); }

int BioWrite(BIO* bio, const char* data, int length) {
    BIO_clear_retry_flags(bio);
    ssize_t sent;
    do {
        sent = ::send(SocketOf(bio), data, (size_t)length, MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_write(bio);
    return (int)sent;
}

int BioRead(BIO* bio, char* buffer, int length) {
    BIO_clear_retry_flags(bio);
    ssize_t received;
    do {
        received = ::recv(SocketOf(bio), buffer, (size_t)length, MSG_DONTWAIT);
    } while (received < 0 && errno == EINTR);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_read(bio);
    return (int)received;
}

long BioControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

BIO_METHOD* SocketBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "kvx socket");
        if (m) {
            BIO_meth_set_write(m, BioWrite);
            BIO_meth_set_read(m, BioRead);
            BIO_meth_set_ctrl(m, BioControl);
        }
        return m;
    }();
    return method;
}

} // namespace

CSSLSocket::CSSLSocket() : m_certificateFile(DefaultCertificateFile()) {}

CSSLSocket::CSSLSocket(CAbstractLog* log) : CProxySocket(log), m_certificateFile(DefaultCertificateFile()) {}

CBasicString CSSLSocket::DefaultCertificateFile() { return GetProgramFolder() + L"ClientCert.pem"; }

CSSLSocket::~CSSLSocket() {
    m_handler = nullptr;
    if (m_ssl) Close();
}

void CSSLSocket::ForgetAcceptedCertificates() {
    std::lock_guard<std::mutex> lock(g_acceptedMutex);
    g_accepted.clear();
}

CSSLSocket* CSSLSocket::FromSSL(const SSL* ssl) {
    return ssl ? static_cast<CSSLSocket*>(SSL_get_ex_data(ssl, SocketIndex())) : nullptr;
}

void CSSLSocket::LogTLSText(const CBasicString& text, int line) {
    if (GetLog()) GetLog()->LogEventFormat(kLogSource, line, kOnline, kTlsMessage, text.GetString());
}

void CSSLSocket::LogErrorQueue(int line) {
    unsigned long code;
    while ((code = ERR_get_error()) != 0) {
        if (!GetLog()) continue;
        char text[512];
        ERR_error_string_n(code, text, sizeof text);
        LogTLSText(FromNarrowText(std::string(text)), line);
    }
}

int CSSLSocket::SetCertificateFile(const wchar_t* path) {
    m_certificateFile = path ? path : L"";
    return 1;
}

SSL_CTX* CSSLSocket::GetTLSContext() { return m_context; }

int CSSLSocket::InitTLS(SSL_CTX* context, CAbstractCertificateHandler* handler) {
    ReportAssertion(m_ssl == nullptr, kSourceFile, __LINE__);
    if (m_ssl) FreeTLS();
    ReportAssertion(IsValid(), kSourceFile, __LINE__);
    if (!IsValid()) return 0;
    ERR_clear_error();
    if (context) {
        m_context = context;
        m_ownsContext = false;
    } else {
        m_context = SSL_CTX_new(TLS_client_method());
        ReportAssertion(m_context != nullptr, kSourceFile, __LINE__);
        if (!m_context) {
            LogErrorQueue(__LINE__);
            return 0;
        }
        m_ownsContext = true;
        SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
        std::string file = ToNarrowText(m_certificateFile.GetString());
        if (!file.empty() && ::access(file.c_str(), R_OK) == 0) SSL_CTX_load_verify_locations(m_context, file.c_str(), nullptr);
        else SSL_CTX_set_default_verify_paths(m_context);
        ERR_clear_error();
    }

    m_ssl = SSL_new(m_context);
    ReportAssertion(m_ssl != nullptr, kSourceFile, __LINE__);
    BIO* bio = m_ssl ? BIO_new(SocketBioMethod()) : nullptr;
    if (!bio) {
        LogErrorQueue(__LINE__);
        FreeTLS();
        return 0;
    }
    BIO_set_data(bio, (void*)(intptr_t)GetHandle());
    BIO_set_init(bio, 1);
    SSL_set_bio(m_ssl, bio, bio);
    SSL_set_ex_data(m_ssl, SocketIndex(), this);
    SSL_set_verify(m_ssl, SSL_VERIFY_PEER, VerifyCallback);
    SSL_set_info_callback(m_ssl, InfoCallback);
    SSL_set_options(m_ssl, SSL_OP_ALL);
    SSL_set_connect_state(m_ssl);
    // The server's name goes out with the hello, and the certificate must
    // name the host (or the address) that was connected to.
    if (!m_peerHost.empty()) {
        if (ParseDottedAddress(m_peerHost.c_str()) != 0) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), m_peerHost.c_str());
        } else {
            // A name with its root dot ("host.example.") is the same host:
            // it is checked and named without the dot. A wildcard stands
            // only for a whole left-most label ("*.example", not "f*.example").
            std::string name = m_peerHost;
            if (name.size() > 1 && name.back() == '.') name.pop_back();
            SSL_set_tlsext_host_name(m_ssl, name.c_str());
            SSL_set_hostflags(m_ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
            SSL_set1_host(m_ssl, name.c_str());
        }
    }
    m_handler = handler;
    return 1;
}

void CSSLSocket::FreeTLS() {
    if (m_ssl) SSL_free(m_ssl);
    if (m_context && m_ownsContext) SSL_CTX_free(m_context);
    m_ssl = nullptr;
    m_context = nullptr;
    m_ownsContext = false;
    m_handler = nullptr;
    m_trusted = 0;
    m_handshakeDone = false;
    m_failed = false;
    m_verifyError = 0;
    m_verifyDepth = 0;
}

int CSSLSocket::Close() {
    if (m_ssl) {
        // close-notify, without waiting for the server's own.
        if (m_handshakeDone && !m_failed) {
            ERR_clear_error();
            SSL_shutdown(m_ssl);
            ERR_clear_error();
        }
        FreeTLS();
    }
    m_peerHost.clear();
    return CProxySocket::Close();
}

int CSSLSocket::Connect(const wchar_t* host, unsigned port) {
    if (!m_ssl) {
        m_peerHost = ToNarrowText(host);
        return CProxySocket::Connect(host, port);
    }
    ReportAssertion(IsValid(), kSourceFile, __LINE__);
    return EnsureHandshake();
}

int CSSLSocket::EnsureHandshake() {
    if (m_handshakeDone) return m_trusted;
    if (m_failed) {
        SetSocketError(WSAENOTCONN);
        return 0;
    }
    if (Handshake()) return 1;
    m_failed = true;
    return 0;
}

int CSSLSocket::Handshake() {
    for (;;) {
        ERR_clear_error();
        int rc = SSL_connect(m_ssl);
        if (rc == 1) break;
        int error = SSL_get_error(m_ssl, rc);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            int ready = WaitFor(error == SSL_ERROR_WANT_WRITE, true);
            if (ready > 0) continue;
            if (ready == 0) SetSocketError(WSAETIMEDOUT);
            else SetSocketErrorFromErrno(errno);
            LogSocketError(-7, __LINE__);
            return 0;
        }
        if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
            SetSocketErrorFromErrno(errno ? errno : ECONNRESET);
            LogSocketError(-7, __LINE__);
        }
        LogErrorQueue(__LINE__);
        return 0;
    }
    m_handshakeDone = true;
    if (DecideTrust()) return 1;
    CBasicString text;
    long result = SSL_get_verify_result(m_ssl);
    text.Format(L"SSL_connect: the server certificate is not trusted (%S)", X509_verify_cert_error_string(result));
    LogTLSText(text, __LINE__);
    SetSocketError(WSAECONNREFUSED);
    return 0;
}

bool CSSLSocket::DecideTrust() {
    m_trusted = 0;
    if (SSL_get_verify_result(m_ssl) == X509_V_OK) {
        m_trusted = 1;
        return true;
    }
    CCertificateInfo info;
    if (!GetPeerCertificateInfo(info)) return false;
    if (IsTrustedCertificate(info.fingerprint, sizeof info.fingerprint) || IsAccepted(info.fingerprint) ||
        IsAcceptedForContext(m_context, info.fingerprint)) {
        m_trusted = 1;
        return true;
    }
    if (!m_handler) return false;
    switch (m_handler->Ask(kAskUntrustedCertificate, &info)) {
    case kTrustCertificateAlways:
        RememberAccepted(info.fingerprint);
        m_trusted = 1;
        break;
    case kTrustCertificateOnce:
        RememberForContext(m_context, info.fingerprint);
        m_trusted = 1;
        break;
    default: break;
    }
    return m_trusted != 0;
}

int CSSLSocket::GetPeerCertificateInfo(CCertificateInfo& info) {
    info.Clear();
    X509* certificate = m_ssl ? SSL_get1_peer_certificate(m_ssl) : nullptr;
    if (!certificate) return 0;
    int filled = info.Fill(certificate);
    X509_free(certificate);
    if (!filled) return 0;
    info.verifyError = m_verifyError;
    info.verifyDepth = m_verifyDepth;
    return 1;
}

int CSSLSocket::VerifyCallback(int preverifyOk, X509_STORE_CTX* store) {
    ReportAssertion(store != nullptr, kSourceFile, __LINE__);
    if (!store) return 0;
    ReportAssertion(X509_STORE_CTX_get_current_cert(store) != nullptr, kSourceFile, __LINE__);
    int error = X509_STORE_CTX_get_error(store);
    int depth = X509_STORE_CTX_get_error_depth(store);
    SSL* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    CSSLSocket* socket = FromSSL(ssl);
    ReportAssertion(socket != nullptr, kSourceFile, __LINE__);
    if (!socket) return 1;
    if (depth > kMaxChainDepth) {
        error = X509_V_ERR_CERT_CHAIN_TOO_LONG;
        X509_STORE_CTX_set_error(store, error);
    } else if (preverifyOk) {
        return 1;
    }
    if (socket->m_verifyError == 0) {
        socket->m_verifyError = error;
        socket->m_verifyDepth = depth;
    }
    // Failures never stop the handshake: the socket judges the peer when
    // it is done.
    return 1;
}

void CSSLSocket::InfoCallback(const SSL* ssl, int where, int ret) {
    CSSLSocket* socket = FromSSL(ssl);
    ReportAssertion(socket != nullptr, kSourceFile, __LINE__);
    if (!socket || !socket->GetLog()) return;
    const char* word = (where & SSL_ST_CONNECT) ? "SSL_connect" : (where & SSL_ST_ACCEPT) ? "SSL_accept" : "undefined";
    if (where & SSL_CB_ALERT) {
        word = (where & SSL_CB_READ) ? "read" : "write";
        const char* description = SSL_alert_desc_string_long(ret);
        if (description && *description && strcmp(description, "close notify") != 0)
            socket->GetLog()->DebugFormat(kLogSource, __LINE__, 2, L"SSL3 alert %S: %S: %S", word,
                                          SSL_alert_type_string_long(ret), description);
    } else if (where & SSL_CB_EXIT) {
        CBasicString text;
        if (ret == 0) {
            text.Format(L"%S: failed in %S", word, SSL_state_string_long(ssl));
        } else if (ret < 0) {
            int error = SSL_get_error(ssl, ret);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                text.Format(L"%S: error in %S", word, SSL_state_string_long(ssl));
        }
        if (!text.IsEmpty()) socket->LogTLSText(text, __LINE__);
    }
}

int CSSLSocket::Send(const void* data, int length, int flags) {
    if (!m_ssl) return CProxySocket::Send(data, length, flags);
    if (!EnsureHandshake()) return -1;
    bool usable = data != nullptr || length <= 0;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return -1;
    // A TLS write of nothing is an error: nothing is sent.
    if (length <= 0) return 0;
    for (;;) {
        ERR_clear_error();
        int sent = SSL_write(m_ssl, data, length);
        if (sent > 0) return sent;
        int error = SSL_get_error(m_ssl, sent);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            int ready = WaitFor(error == SSL_ERROR_WANT_WRITE, error == SSL_ERROR_WANT_READ);
            if (ready > 0) continue;
            if (ready == 0) SetSocketError(WSAETIMEDOUT);
            else SetSocketErrorFromErrno(errno);
        } else if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
            SetSocketErrorFromErrno(errno ? errno : ECONNRESET);
        }
        LogSocketError(-6, __LINE__);
        LogErrorQueue(__LINE__);
        m_failed = true;
        return -1;
    }
}

int CSSLSocket::Receive(void* buffer, int length, int flags) {
    if (!m_ssl) return CProxySocket::Receive(buffer, length, flags);
    bool usable = buffer != nullptr && length >= 0;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable || !EnsureHandshake()) return -1;
    if (length == 0) return 0;
    bool noWait = (flags & MSG_DONTWAIT) != 0;
    for (;;) {
        ERR_clear_error();
        int received = SSL_read(m_ssl, buffer, length);
        if (received > 0) return received;
        int error = SSL_get_error(m_ssl, received);
        if (error == SSL_ERROR_ZERO_RETURN) return 0;
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (noWait) {
                SetSocketError(WSAEWOULDBLOCK);
                return -1;
            }
            int ready = WaitFor(error == SSL_ERROR_WANT_WRITE, true);
            if (ready > 0) continue;
            if (ready == 0) SetSocketError(WSAETIMEDOUT);
            else SetSocketErrorFromErrno(errno);
        } else {
            if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) SetSocketErrorFromErrno(errno ? errno : ECONNRESET);
            else SetSocketError(WSAENOTCONN);
            m_failed = true;
        }
        LogSocketError(-7, __LINE__);
        LogErrorQueue(__LINE__);
        return -1;
    }
}
