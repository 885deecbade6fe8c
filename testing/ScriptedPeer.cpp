#include "testing/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <csignal>
#include <chrono>
#include <stdexcept>

namespace kvxtest {

namespace {

std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else out += (char)c;
    }
    return out;
}

} // namespace

ScriptedPeer::ScriptedPeer() = default;

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard<std::mutex> lock(m_goMutex);
        m_stop = true;
    }
    m_goSignal.notify_all();
    if (m_thread.joinable()) m_thread.join();
    EndTls();
    for (int c : m_conns) ::close(c);
    if (m_listen >= 0) ::close(m_listen);
}

ScriptedPeer& ScriptedPeer::Expect(const std::string& bytes) {
    m_steps.push_back({Step::kExpect, bytes});
    return *this;
}
ScriptedPeer& ScriptedPeer::ExpectLine(const std::string& line) {
    m_steps.push_back({Step::kExpectLine, line});
    return *this;
}
ScriptedPeer& ScriptedPeer::SkipLine() {
    m_steps.push_back({Step::kSkipLine, {}});
    return *this;
}
ScriptedPeer& ScriptedPeer::Receive(size_t n) {
    Step s{Step::kReceive, {}};
    s.count = n;
    m_steps.push_back(s);
    return *this;
}
ScriptedPeer& ScriptedPeer::Send(const std::string& bytes) {
    m_steps.push_back({Step::kSend, bytes});
    return *this;
}
ScriptedPeer& ScriptedPeer::Delay(int milliseconds) {
    Step s{Step::kDelay, {}};
    s.count = (size_t)milliseconds;
    m_steps.push_back(s);
    return *this;
}
ScriptedPeer& ScriptedPeer::WaitForGo() {
    m_steps.push_back({Step::kWaitForGo, {}});
    return *this;
}
void ScriptedPeer::Go() {
    {
        std::lock_guard<std::mutex> lock(m_goMutex);
        ++m_goes;
    }
    m_goSignal.notify_all();
}
ScriptedPeer& ScriptedPeer::Close() {
    m_steps.push_back({Step::kClose, {}});
    return *this;
}
ScriptedPeer& ScriptedPeer::ExpectClose() {
    m_steps.push_back({Step::kExpectClose, {}});
    return *this;
}
ScriptedPeer& ScriptedPeer::Accept() {
    m_steps.push_back({Step::kAccept, {}});
    return *this;
}
ScriptedPeer& ScriptedPeer::StartTls(const std::string& chainPem, const std::string& keyPem, int maxVersion) {
    Step s{Step::kStartTls, chainPem};
    s.key = keyPem;
    s.count = (size_t)maxVersion;
    m_steps.push_back(s);
    return *this;
}

void ScriptedPeer::EndTls() {
    if (m_tls) SSL_free(m_tls);
    if (m_tlsContext) SSL_CTX_free(m_tlsContext);
    m_tls = nullptr;
    m_tlsContext = nullptr;
}

bool ScriptedPeer::BeginTls(int conn, const Step& step, std::string& failure) {
    EndTls();
    // A client that refuses the server closes at once; a write then must
    // not end the test process.
    ::signal(SIGPIPE, SIG_IGN);
    m_tlsContext = SSL_CTX_new(TLS_server_method());
    if (!m_tlsContext) return false;
    if (step.count != 0) {
        int maxVersion = (int)step.count;
        // Protocols before TLS 1.2 sign with SHA-1, which only the lowest
        // security level allows.
        if (maxVersion < TLS1_2_VERSION) SSL_CTX_set_security_level(m_tlsContext, 0);
        if (SSL_CTX_set_min_proto_version(m_tlsContext, 0) != 1 ||
            SSL_CTX_set_max_proto_version(m_tlsContext, maxVersion) != 1) {
            failure = "the protocol version cannot be set";
            return false;
        }
    }
    BIO* certs = BIO_new_mem_buf(step.data.data(), (int)step.data.size());
    X509* cert = PEM_read_bio_X509(certs, nullptr, nullptr, nullptr);
    bool ok = cert && SSL_CTX_use_certificate(m_tlsContext, cert) == 1;
    X509_free(cert);
    while (ok) {
        X509* extra = PEM_read_bio_X509(certs, nullptr, nullptr, nullptr);
        if (!extra) break;
        ok = SSL_CTX_add0_chain_cert(m_tlsContext, extra) == 1;
    }
    BIO_free(certs);
    ERR_clear_error();
    BIO* keyBio = BIO_new_mem_buf(step.key.data(), (int)step.key.size());
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    BIO_free(keyBio);
    ok = ok && key && SSL_CTX_use_PrivateKey(m_tlsContext, key) == 1;
    EVP_PKEY_free(key);
    if (!ok) return false;
    m_tls = SSL_new(m_tlsContext);
    if (!m_tls || SSL_set_fd(m_tls, conn) != 1) return false;
    // The handshake waits at most the step time-out.
    timeval limit{m_stepTimeoutMs / 1000, (m_stepTimeoutMs % 1000) * 1000};
    ::setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    int rc = SSL_accept(m_tls);
    timeval none{0, 0};
    ::setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &none, sizeof none);
    if (rc != 1) {
        char text[256];
        unsigned long code = ERR_peek_error();
        ERR_error_string_n(code, text, sizeof text);
        failure = code ? text : "the connection ended";
    }
    ERR_clear_error();
    return rc == 1;
}

ssize_t ScriptedPeer::ReadSome(int conn, char* buffer, size_t size) {
    if (!m_tls) return ::recv(conn, buffer, size, 0);
    int n = SSL_read(m_tls, buffer, (int)size);
    ERR_clear_error();
    return n > 0 ? n : (n == 0 ? 0 : -1);
}

ssize_t ScriptedPeer::WriteSome(int conn, const char* data, size_t size) {
    if (!m_tls) return ::send(conn, data, size, MSG_NOSIGNAL);
    int n = SSL_write(m_tls, data, (int)size);
    ERR_clear_error();
    return n > 0 ? n : -1;
}

void ScriptedPeer::Start() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(m_listen, (sockaddr*)&addr, sizeof addr) != 0 || ::listen(m_listen, 8) != 0)
        throw std::runtime_error("bind/listen failed");
    socklen_t len = sizeof addr;
    ::getsockname(m_listen, (sockaddr*)&addr, &len);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { Run(); });
}

bool ScriptedPeer::Finish() {
    if (m_thread.joinable()) m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error.empty();
}

std::string ScriptedPeer::Error() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

std::string ScriptedPeer::Received() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void ScriptedPeer::Fail(const std::string& why) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error.empty()) m_error = why;
}

void ScriptedPeer::Run() {
    std::string pending;
    int conn = -1;
    Step accept{Step::kAccept, {}};
    if (!RunStep(accept, conn, pending)) return;
    for (size_t i = 0; i < m_steps.size() && !m_stop; ++i) {
        if (!RunStep(m_steps[i], conn, pending)) {
            Fail("step " + std::to_string(i + 1) + ": " + Error());
            return;
        }
    }
}

bool ScriptedPeer::Fill(int conn, std::string& pending, size_t want, bool untilLine) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_stepTimeoutMs);
    for (;;) {
        if (untilLine ? pending.find("\r\n") != std::string::npos : pending.size() >= want) return true;
        if (conn < 0) return false;
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0 || m_stop) return false;
        pollfd p{conn, POLLIN, 0};
        if ((!m_tls || SSL_pending(m_tls) == 0) && ::poll(&p, 1, left < 50 ? left : 50) <= 0) continue;
        char buf[65536];
        ssize_t n = ReadSome(conn, buf, sizeof buf);
        if (n <= 0) return false;
        pending.append(buf, (size_t)n);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.append(buf, (size_t)n);
    }
}

bool ScriptedPeer::RunStep(const Step& step, int& conn, std::string& pending) {
    switch (step.kind) {
    case Step::kAccept: {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_stepTimeoutMs);
        while (!m_stop && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                conn = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
                if (conn >= 0) {
                    EndTls();
                    m_conns.push_back(conn);
                    pending.clear();
                    return true;
                }
            }
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_error.empty()) m_error = "no connection";
        return false;
    }
    case Step::kExpect:
        if (!Fill(conn, pending, step.data.size(), false)) {
            Fail("expected \"" + Printable(step.data) + "\", got \"" + Printable(pending) + "\" before the end");
            return false;
        }
        if (pending.compare(0, step.data.size(), step.data) != 0) {
            Fail("expected \"" + Printable(step.data) + "\", got \"" + Printable(pending.substr(0, step.data.size())) + "\"");
            return false;
        }
        pending.erase(0, step.data.size());
        return true;
    case Step::kExpectLine:
    case Step::kSkipLine: {
        if (!Fill(conn, pending, 0, true)) {
            Fail("expected a line, got \"" + Printable(pending) + "\" before the end");
            return false;
        }
        size_t eol = pending.find("\r\n");
        std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 2);
        if (step.kind == Step::kExpectLine && line != step.data) {
            Fail("expected line \"" + Printable(step.data) + "\", got \"" + Printable(line) + "\"");
            return false;
        }
        return true;
    }
    case Step::kReceive:
        if (!Fill(conn, pending, step.count, false)) {
            Fail("expected " + std::to_string(step.count) + " bytes, got " + std::to_string(pending.size()));
            return false;
        }
        pending.erase(0, step.count);
        return true;
    case Step::kSend: {
        size_t done = 0;
        while (done < step.data.size()) {
            ssize_t n = WriteSome(conn, step.data.data() + done, step.data.size() - done);
            if (n <= 0) {
                Fail("send failed");
                return false;
            }
            done += (size_t)n;
        }
        return true;
    }
    case Step::kDelay:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.count));
        return true;
    case Step::kWaitForGo: {
        std::unique_lock<std::mutex> lock(m_goMutex);
        if (!m_goSignal.wait_for(lock, std::chrono::milliseconds(m_stepTimeoutMs),
                                 [this] { return m_goes > 0 || m_stop; }) ||
            m_stop) {
            lock.unlock();
            Fail("the test did not say go");
            return false;
        }
        --m_goes;
        return true;
    }
    case Step::kClose:
        if (m_tls) SSL_shutdown(m_tls);
        if (conn >= 0) ::shutdown(conn, SHUT_RDWR);
        return true;
    case Step::kStartTls: {
        std::string failure;
        if (BeginTls(conn, step, failure)) return true;
        Fail("the TLS handshake failed" + (failure.empty() ? std::string() : ": " + failure));
        return false;
    }
    case Step::kExpectClose: {
        // Everything up to the client's close is recorded; the end of the
        // stream is the success.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_stepTimeoutMs);
        while (!m_stop && std::chrono::steady_clock::now() < deadline) {
            pollfd p{conn, POLLIN, 0};
            if ((!m_tls || SSL_pending(m_tls) == 0) && ::poll(&p, 1, 50) <= 0) continue;
            char buf[65536];
            ssize_t n = ReadSome(conn, buf, sizeof buf);
            if (n <= 0) return true;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.append(buf, (size_t)n);
        }
        Fail("the client did not close the connection");
        return false;
    }
    }
    return false;
}

} // namespace kvxtest
