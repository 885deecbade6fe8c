#pragma once
// CBasicSocket: the library's blocking TCP/IPv4 socket over the system's
// sockets. Every failure is logged to the socket's log sink (when it has
// one) as an event of category "SOCKET" with the socket error number and
// its text as the two format arguments:
//
//   -1 creating or binding   -2 closing      -3 connecting   -4 listening
//   -5 accepting             -6 sending      -7 waiting for input or receiving
//   -8 local name            -9 peer name    -10 host name look-up
//
// The receive wait is 20 seconds; tests may shorten it.

#include <netinet/in.h>

#include "OnlineServices/Sendrix/AbstractSocket.h"

class CAbstractLog;

class CBasicSocket : public CAbstractSocket {
public:
    // The log sink is the library-wide one at the time of construction.
    CBasicSocket();
    explicit CBasicSocket(CAbstractLog* log);
    ~CBasicSocket() override;
    CBasicSocket(const CBasicSocket&) = delete;
    CBasicSocket& operator=(const CBasicSocket&) = delete;

    // A handle already held is closed first. A localAddress that is no
    // dotted text fails with WSAEINVAL and leaves no socket.
    int Create(unsigned port, int type, const char* localAddress) override;
    int Connect(const wchar_t* host, unsigned port) override;
    int Close() override;
    SOCKET GetHandle() override;
    void Attach(SOCKET handle) override;
    int IsValid() override;
    int Listen(int backlog) override;
    int Accept(CAbstractSocket* target, sockaddr* address, int* addressLength) override;
    int GetSockName(CBasicString& addressText, int& port) override;
    int GetPeerName(CBasicString& addressText, int& port) override;
    int Send(const void* data, int length, int flags) override;
    int Receive(void* buffer, int length, int flags) override;
    int InitTLS(SSL_CTX* context, CAbstractCertificateHandler* handler) override;
    SSL_CTX* GetTLSContext() override;
    void SetProxy(CAbstractProxyProfile* profile) override;
    int SetCertificateFile(const wchar_t* path) override;

    CAbstractLog* GetLog() const { return m_log; }

    // How long Receive waits for input (20,000 ms unless a test changes it).
    static void SetReceiveTimeout(int milliseconds);
    static int GetReceiveTimeout();

protected:
    // Logs the socket event code with the thread's socket error.
    void LogSocketError(int code, int line);
    // Waits until the socket can be read (or written), within the receive
    // time-out when limited, else without limit: 1 ready, 0 time-out, -1
    // failure (errno set).
    int WaitFor(bool write, bool limited);

private:
    bool Bind(unsigned port, const char* localAddress);
    bool ConnectTo(const sockaddr_in& address);
    // Closes the handle without logging a failure as the socket's own Close.
    bool CloseHandle();

    SOCKET m_handle = INVALID_SOCKET;
    CAbstractLog* m_log;
};
