#pragma once
// CAbstractSocket: the library's TCP/IPv4 socket interface. CBasicSocket
// implements it over the system's sockets, CProxySocket adds proxy
// tunnelling and the TLS socket adds TLS; every network object of the
// library talks through it. All calls block on the caller's thread.
//
// Results are 1 for success and 0 for failure unless said otherwise;
// failures are logged by the socket and leave their socket error number
// (SocketError.h) as the thread's last error.

#include <sys/socket.h>

#include "compat/WinTypes.h"

class CAbstractCertificateHandler;
class CAbstractProxyProfile;
class CBasicString;
typedef struct ssl_ctx_st SSL_CTX;

typedef int SOCKET;
#ifndef INVALID_SOCKET
#define INVALID_SOCKET (-1)
#endif

class CAbstractSocket {
public:
    virtual ~CAbstractSocket() {}

    // A new socket of the type (SOCK_STREAM, ...) bound to the local port
    // and dotted localAddress (any address when null).
    virtual int Create(unsigned port, int type, const char* localAddress) = 0;
    // Resolves host and connects (making a stream socket when none is held).
    virtual int Connect(const wchar_t* host, unsigned port) = 0;
    virtual int Close() = 0;
    virtual SOCKET GetHandle() = 0;
    // Closes a held handle, then takes handle.
    virtual void Attach(SOCKET handle) = 0;
    // 1 while a handle is held.
    virtual int IsValid() = 0;
    virtual int Listen(int backlog) = 0;
    // Accepts a connection into target (through its Attach).
    virtual int Accept(CAbstractSocket* target, sockaddr* address, int* addressLength) = 0;
    // Dotted address and port of the local end / of the remote end.
    virtual int GetSockName(CBasicString& addressText, int& port) = 0;
    virtual int GetPeerName(CBasicString& addressText, int& port) = 0;
    // One send: the bytes sent, or -1.
    virtual int Send(const void* data, int length, int flags) = 0;
    // Waits for input (20 seconds at most), then one receive: the bytes
    // received, 0 when the peer has closed, -1 on failure or time-out.
    // With MSG_DONTWAIT in flags it never waits: -1 with WSAEWOULDBLOCK
    // (not logged) when nothing can be read at once.
    virtual int Receive(void* buffer, int length, int flags) = 0;

    // TLS and proxies: the plain socket does not support them.
    virtual int InitTLS(SSL_CTX* context, CAbstractCertificateHandler* handler) = 0;
    virtual SSL_CTX* GetTLSContext() = 0;
    virtual void SetProxy(CAbstractProxyProfile* profile) = 0;
    virtual int SetCertificateFile(const wchar_t* path) = 0;
};
