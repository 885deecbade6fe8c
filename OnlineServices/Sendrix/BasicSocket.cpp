#include "OnlineServices/Sendrix/BasicSocket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>

#include "OnlineServices/Sendrix/ExchangeDeadline.h"
#include "OnlineServices/Sendrix/Posix/HostResolver.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"

namespace {

const char kSourceFile[] = ".\\BasicSocket";
const wchar_t kLogSource[] = L".\\BasicSocket";

std::atomic<int> g_receiveTimeoutMs{20000};

} // namespace

CBasicSocket::CBasicSocket() : m_log(GetLibraryLog()) {}

CBasicSocket::CBasicSocket(CAbstractLog* log) : m_log(log) {}

CBasicSocket::~CBasicSocket() { CloseHandle(); }

void CBasicSocket::SetReceiveTimeout(int milliseconds) { g_receiveTimeoutMs.store(milliseconds); }

int CBasicSocket::GetReceiveTimeout() { return g_receiveTimeoutMs.load(); }

void CBasicSocket::LogSocketError(int code, int line) {
    if (!m_log) return;
    DWORD error = GetSocketError();
    m_log->LogEventFormat(kLogSource, line, L"SOCKET", code, (int)error, GetSocketErrorText(error).GetString());
}

bool CBasicSocket::CloseHandle() {
    if (m_handle == INVALID_SOCKET) return true;
    int rc = ::close(m_handle);
    m_handle = INVALID_SOCKET;
    if (rc == 0) return true;
    SetSocketErrorFromErrno(errno);
    return false;
}

int CBasicSocket::Create(unsigned port, int type, const char* localAddress) {
    CloseHandle();
    SOCKET handle = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        SetSocketErrorFromErrno(errno);
        LogSocketError(-1, __LINE__);
        return 0;
    }
    m_handle = handle;
    if (!Bind(port, localAddress)) {
        DWORD error = GetSocketError();
        CloseHandle();
        SetSocketError(error);
        LogSocketError(-1, __LINE__);
        return 0;
    }
    return 1;
}

bool CBasicSocket::Bind(unsigned port, const char* localAddress) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (localAddress) address.sin_addr.s_addr = inet_addr(localAddress);
    if (port > 65535 || address.sin_addr.s_addr == INADDR_NONE) {
        SetSocketError(WSAEINVAL);
        return false;
    }
    if (::bind(m_handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    SetSocketErrorFromErrno(errno);
    return false;
}

int CBasicSocket::Connect(const wchar_t* host, unsigned port) {
    bool usable = host != nullptr && port <= 65535;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    if (m_handle == INVALID_SOCKET) {
        m_handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_handle < 0) {
            m_handle = INVALID_SOCKET;
            SetSocketErrorFromErrno(errno);
            LogSocketError(-1, __LINE__);
            return 0;
        }
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)port);
    std::string name = ToNarrowText(host);
    if (!ResolveHostAddress(name.c_str(), &address.sin_addr.s_addr)) {
        LogSocketError(-10, __LINE__);
        return 0;
    }
    if (!ConnectTo(address)) {
        LogSocketError(-3, __LINE__);
        return 0;
    }
    return 1;
}

bool CBasicSocket::ConnectTo(const sockaddr_in& address) {
    if (::connect(m_handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (errno != EINTR) {
        SetSocketErrorFromErrno(errno);
        return false;
    }
    // An interrupted connect goes on by itself: wait for its outcome.
    pollfd p{m_handle, POLLOUT, 0};
    while (::poll(&p, 1, -1) < 0) {
        if (errno != EINTR) {
            SetSocketErrorFromErrno(errno);
            return false;
        }
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_handle, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error == 0) return true;
    SetSocketErrorFromErrno(error);
    return false;
}

int CBasicSocket::Close() {
    if (m_handle == INVALID_SOCKET) return 1;
    if (CloseHandle()) return 1;
    LogSocketError(-2, __LINE__);
    return 0;
}

SOCKET CBasicSocket::GetHandle() { return m_handle; }

void CBasicSocket::Attach(SOCKET handle) {
    CloseHandle();
    m_handle = handle < 0 ? INVALID_SOCKET : handle;
}

int CBasicSocket::IsValid() { return m_handle != INVALID_SOCKET; }

int CBasicSocket::Listen(int backlog) {
    ReportAssertion(m_handle != INVALID_SOCKET, kSourceFile, __LINE__);
    if (::listen(m_handle, backlog) == 0) return 1;
    SetSocketErrorFromErrno(errno);
    LogSocketError(-4, __LINE__);
    return 0;
}

int CBasicSocket::Accept(CAbstractSocket* target, sockaddr* address, int* addressLength) {
    ReportAssertion(target != nullptr, kSourceFile, __LINE__);
    if (!target) return 0;
    socklen_t length = addressLength && *addressLength > 0 ? (socklen_t)*addressLength : 0;
    SOCKET accepted;
    do {
        accepted = ::accept4(m_handle, address && length ? address : nullptr, address && length ? &length : nullptr,
                             SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0) {
        SetSocketErrorFromErrno(errno);
        LogSocketError(-5, __LINE__);
        accepted = INVALID_SOCKET;
    } else if (address && addressLength) {
        *addressLength = (int)length;
    }
    target->Attach(accepted);
    return accepted != INVALID_SOCKET;
}

namespace {

int NameOf(bool local, SOCKET handle, CBasicString& addressText, int& port) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int rc;
    do {
        length = sizeof address;
        rc = local ? ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length)
                   : ::getpeername(handle, reinterpret_cast<sockaddr*>(&address), &length);
    } while (rc != 0 && local && errno == EINPROGRESS);
    if (rc != 0) {
        SetSocketErrorFromErrno(errno);
        return 0;
    }
    port = ntohs(address.sin_port);
    addressText = inet_ntoa(address.sin_addr);
    return 1;
}

} // namespace

int CBasicSocket::GetSockName(CBasicString& addressText, int& port) {
    if (NameOf(true, m_handle, addressText, port)) return 1;
    LogSocketError(-8, __LINE__);
    return 0;
}

int CBasicSocket::GetPeerName(CBasicString& addressText, int& port) {
    if (NameOf(false, m_handle, addressText, port)) return 1;
    LogSocketError(-9, __LINE__);
    return 0;
}

int CBasicSocket::Send(const void* data, int length, int flags) {
    ssize_t sent;
    do {
        sent = ::send(m_handle, data, length < 0 ? 0 : (size_t)length, flags | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0) return (int)sent;
    SetSocketErrorFromErrno(errno);
    LogSocketError(-6, __LINE__);
    return -1;
}

int CBasicSocket::WaitFor(bool write, bool limited) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(GetReceiveTimeout());
    for (;;) {
        int wait = -1;
        if (limited) {
            long long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? (int)left : 0;
        }
        // An exchange under way may have less time left than one receive.
        wait = CExchangeDeadline::Bound(wait);
        pollfd p{m_handle, (short)(write ? POLLOUT : POLLIN), 0};
        int rc = ::poll(&p, 1, wait);
        if (rc > 0) {
            if (p.revents & POLLNVAL) {
                errno = EBADF;
                return -1;
            }
            return 1;
        }
        if (rc == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

int CBasicSocket::Receive(void* buffer, int length, int flags) {
    if (m_handle == INVALID_SOCKET) return -1;
    bool usable = buffer != nullptr && length >= 0;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return -1;
    bool noWait = (flags & MSG_DONTWAIT) != 0;
    ssize_t received;
    if (!noWait) {
        // Input that is already waiting is taken without a wait.
        do {
            received = ::recv(m_handle, buffer, (size_t)length, flags | MSG_DONTWAIT);
        } while (received < 0 && errno == EINTR);
        if (received >= 0) return (int)received;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            SetSocketErrorFromErrno(errno);
            LogSocketError(-7, __LINE__);
            return -1;
        }
        int ready = WaitFor(false, true);
        if (ready <= 0) {
            if (ready == 0) SetSocketError(WSAETIMEDOUT);
            else SetSocketErrorFromErrno(errno);
            LogSocketError(-7, __LINE__);
            return -1;
        }
    }
    do {
        received = ::recv(m_handle, buffer, (size_t)length, flags);
    } while (received < 0 && errno == EINTR);
    if (received >= 0) return (int)received;
    int err = errno;
    SetSocketErrorFromErrno(err);
    if (!(noWait && (err == EAGAIN || err == EWOULDBLOCK))) LogSocketError(-7, __LINE__);
    return -1;
}

int CBasicSocket::InitTLS(SSL_CTX* context, CAbstractCertificateHandler* handler) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

SSL_CTX* CBasicSocket::GetTLSContext() {
    ReportAssertion(0, kSourceFile, __LINE__);
    return nullptr;
}

void CBasicSocket::SetProxy(CAbstractProxyProfile* profile) { ReportAssertion(0, kSourceFile, __LINE__); }

int CBasicSocket::SetCertificateFile(const wchar_t* path) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}
